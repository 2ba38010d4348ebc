#!/usr/bin/env bash
# Times libunzdll.so (through build/bin/unzdll-run) against the tools a user would
# otherwise use on the same 1 GiB of content, stored and deflated, as one entry and as
# eight: bsdtar -xf, 7z x, unzip -qo. Warm cache, output not synced; each case is run
# RUNS times and the best time is kept (other work shares the machine). Prints MB/s by
# wall time and by CPU time, and each tool's ratio to the library. "unzdll-1thread" is the
# library with UNZDLL_THREADS=1 (no parallel entries), to show what the workers gain.
#   bench/unzdll.sh [build dir]      BENCH_DIR (default /tmp/unzdll-bench) holds the data.
set -euo pipefail
BUILD=${1:-$(dirname "$0")/../build}
BUILD=$(cd "$BUILD" && pwd)
RUN="$BUILD/bin/unzdll-run"
ENGINES="$BUILD/bin/unzdll-engines"
DIR=${BENCH_DIR:-/tmp/unzdll-bench}
RUNS=${RUNS:-3}
MIB=1024
mkdir -p "$DIR"
cd "$DIR"

# Content: eight 128 MiB files of word text (deflates about 3:1, like logs or subtitles)
# and, for the one-entry case, the same bytes as one file.
if [ ! -f data8/f7.txt ]; then
  mkdir -p data8 data1
  python3 - <<'PY'
import random
random.seed(7)
words = [''.join(random.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(random.randint(2, 9))) for _ in range(5000)]
block = bytearray()
while len(block) < 16 << 20:
    block += (' '.join(random.choice(words) for _ in range(12)) + '\n').encode()
block = bytes(block[:16 << 20])
for i in range(8):
    with open(f'data8/f{i}.txt', 'wb') as f:
        for j in range(8):
            # Shift each copy so that no two 16 MiB pieces are alike byte for byte.
            k = (i * 8 + j) * 4099
            f.write(block[k:] + block[:k])
PY
  cat data8/f*.txt > data1/all.txt
fi
for n in 1 8; do
  [ -f stored$n.zip ] || (cd data$n && zip -q -0 -r ../stored$n.zip .)
  [ -f deflate$n.zip ] || (cd data$n && zip -q -6 -r ../deflate$n.zip .)
done

# Runs "$@" RUNS times, each in a fresh empty out/, and prints the best wall time and the
# best CPU time (user + system, all threads) in seconds. Wall time is what the user waits;
# CPU time says how much work a tool needs and is less disturbed by other load.
best() {
  local bestWall="" bestCpu="" line wall cpu
  for _ in $(seq "$RUNS"); do
    rm -rf out && mkdir out
    line=$( { TIMEFORMAT='%R %U %S'; time (cd out && "$@" >/dev/null 2>&1 || echo "FAILED: $*" >> "$DIR/failures.log"); } 2>&1 | tail -1)
    wall=$(echo "$line" | cut -d' ' -f1)
    cpu=$(echo "$line" | awk '{print $2 + $3}')
    if [ -z "$bestWall" ] || [ "$(echo "$wall < $bestWall" | bc -l)" = 1 ]; then bestWall=$wall; fi
    if [ -z "$bestCpu" ] || [ "$(echo "$cpu < $bestCpu" | bc -l)" = 1 ]; then bestCpu=$cpu; fi
  done
  rm -rf out
  echo "$bestWall $bestCpu"
}

echo "1 GiB of content, best of $RUNS runs; load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-18s %-16s %9s %9s %11s %9s\n' case tool "MB/s" "lib x" "MB/CPU-s" "lib x"
for kind in stored deflate; do
  for n in 1 8; do
    zip="$DIR/$kind$n.zip"
    bytes=$(du -sb "data$n" | cut -f1)
    declare -A times=()
    times[unzdll]=$(best "$RUN" -q "$zip")
    times[unzdll-1thread]=$(UNZDLL_THREADS=1 best "$RUN" -q "$zip")
    times[bsdtar]=$(best bsdtar -xf "$zip")
    times[7z]=$(best 7z x -y "$zip")
    times[unzip]=$(best unzip -qo "$zip")
    read -r libWall libCpu <<< "${times[unzdll]}"
    for tool in unzdll unzdll-1thread bsdtar 7z unzip; do
      read -r wall cpu <<< "${times[$tool]}"
      printf '%-18s %-16s %9.0f %9.2f %11.0f %9.2f\n' "$kind, $n entries" "$tool" \
        "$(echo "$bytes / $wall / 1000000" | bc -l)" "$(echo "$wall / $libWall" | bc -l)" \
        "$(echo "$bytes / $cpu / 1000000" | bc -l)" "$(echo "$cpu / $libCpu" | bc -l)"
    done
    unset times
  done
done
[ -s "$DIR/failures.log" ] && { echo "Some runs failed:"; sort -u "$DIR/failures.log"; rm -f "$DIR/failures.log"; }
echo "lib x: the tool's time divided by the library's (above 1: the library is faster)."

if [ -x "$ENGINES" ]; then
  echo
  echo "Decoding engines, one thread, CRC checked, nothing written (best of $RUNS):"
  for zip in stored1 deflate1 stored8 deflate8; do
    "$ENGINES" "$RUNS" "$DIR/$zip.zip"
  done
fi

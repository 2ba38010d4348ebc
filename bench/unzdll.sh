#!/usr/bin/env bash
# Times libunzdll.so (through build/bin/unzdll-run) against the tools a user would
# otherwise use on the same 1 GiB of content, stored and deflated, as one entry and as
# eight: bsdtar -xf, 7z x, unzip -qo. Warm cache, output not synced; each case is run
# RUNS times and the best time is kept (other work shares the machine). Prints MB/s and
# each tool's ratio to the library.
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

best() {  # best wall time in seconds of "$@" run in a fresh empty out/
  local bestTime=""
  for _ in $(seq "$RUNS"); do
    rm -rf out && mkdir out
    local t0 t1
    t0=$(date +%s.%N)
    (cd out && "$@" >/dev/null 2>&1) || { echo "FAILED: $*" >&2; }
    t1=$(date +%s.%N)
    local t
    t=$(echo "$t1 - $t0" | bc -l)
    if [ -z "$bestTime" ] || [ "$(echo "$t < $bestTime" | bc -l)" = 1 ]; then bestTime=$t; fi
  done
  rm -rf out
  echo "$bestTime"
}

printf "%-16s %-28s %9s %12s\n" case tool MB/s "lib speed-up"
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
    for tool in unzdll unzdll-1thread bsdtar 7z unzip; do
      t=${times[$tool]}
      printf '%-16s %-28s %9.0f %12.2f\n' "$kind, $n entries" "$tool" \
        "$(echo "$bytes / $t / 1000000" | bc -l)" "$(echo "$t / ${times[unzdll]}" | bc -l)"
    done
    unset times
  done
done

if [ -x "$ENGINES" ]; then
  echo
  echo "Decoding engines, one thread, CRC checked, nothing written (best of $RUNS):"
  for zip in stored1 deflate1 stored8 deflate8; do
    "$ENGINES" "$RUNS" "$DIR/$zip.zip"
  done
fi

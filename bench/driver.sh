#!/usr/bin/env bash
# Times the whole processing driver (harvex-batch) against the program or library it
# runs, alone, and against the tools a user would otherwise use, in one run:
#   1. a 1 GiB stored RAR5 set (100 MiB volumes): harvex-batch, unrar alone, 7z x, cp (floor)
#   2. a 1 GiB ZIP, deflated and stored: harvex-batch, the unzip library alone (unzdll-run),
#      bsdtar -xf, 7z x
#   3. 1,000 one-entry ZIP items: the driver's own overhead per item (driver-bench items)
#   4. the event loop's lateness for a 10 ms timer while the RAR set extracts (driver-bench latency)
# Warm cache; each case runs RUNS times (default 3) and the best time is kept, since other
# work shares the machine. BENCH_DIR (default /tmp/driver-bench) holds the data.
#   bench/driver.sh [build dir]
set -euo pipefail
BUILD=${1:-$(dirname "$0")/../build}
BUILD=$(cd "$BUILD" && pwd)
BIN="$BUILD/bin"
DIR=${BENCH_DIR:-/tmp/driver-bench}
RUNS=${RUNS:-3}
mkdir -p "$DIR"
cd "$DIR"
export HARVEX_REGISTRY_DIR="$DIR/registry"
mkdir -p "$HARVEX_REGISTRY_DIR"
BATCH=("$BIN/harvex-batch" --no-test --no-clean-up --no-keep-folder --no-keep-nfo --no-keep-subs --no-keep-sample)

best() {  # best wall time in seconds of "$@" over RUNS runs; OUT is emptied before each
  local best_t=""
  for _ in $(seq "$RUNS"); do
    rm -rf "$DIR/out"; mkdir -p "$DIR/out"
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; return 1; }
    t1=$(date +%s.%N)
    best_t=$(python3 -c "a='$best_t'; t=$t1-$t0; print(t if a=='' or t<float(a) else a)")
  done
  echo "$best_t"
}

report() {  # name seconds reference-seconds
  python3 -c "print(f'  {\"$1\":<26} {$2:8.3f} s  {1024/$2:8.1f} MiB/s  ratio {$2/$3:5.2f}')"
}

# --- data ---------------------------------------------------------------------------------
if [ ! -f rar/set.part01.rar ]; then
  mkdir -p src rar
  for i in 0 1 2 3 4 5 6 7; do head -c $((128 << 20)) /dev/urandom > "src/f$i.bin"; done
  "$BIN/harvex-mkrar" --volume-size 100M rar/set.rar src >/dev/null
fi
if [ ! -f zip/deflate.zip ]; then
  mkdir -p zip text
  python3 - <<'PY'
import random
random.seed(7)
words = [''.join(random.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(random.randint(2, 9))) for _ in range(5000)]
block = bytearray()
while len(block) < 16 << 20:
    block += (' '.join(random.choice(words) for _ in range(12)) + '\n').encode()
block = bytes(block[:16 << 20])
for i in range(8):
    with open(f'text/t{i}.txt', 'wb') as f:
        for _ in range(8):
            f.write(block)
PY
  (cd text && zip -q -6 ../zip/deflate.zip t*.txt && zip -q -0 ../zip/store.zip t*.txt)
fi

echo "1. 1 GiB stored RAR5 set ($(ls rar | wc -l) volumes)"
t_unrar=$(best "$BIN/unrar" x -o+ -ierr -av- -y -idp "$DIR/rar/set.part01.rar" "$DIR/out")
t_driver=$(best "${BATCH[@]}" --output "$DIR/out" "$DIR/rar/set.part01.rar")
t_7z=$(best 7z x -y -o"$DIR/out" "$DIR/rar/set.part01.rar")
t_cp=$(best cp rar/set.part*.rar "$DIR/out/")
report "harvex-batch (driver)" "$t_driver" "$t_unrar"
report "unrar alone" "$t_unrar" "$t_unrar"
report "7z x" "$t_7z" "$t_unrar"
report "cp of the volumes (floor)" "$t_cp" "$t_unrar"

for kind in deflate store; do
  echo "2. 1 GiB ZIP, $kind"
  t_lib=$(best sh -c "cd '$DIR/out' && '$BIN/unzdll-run' -q '$DIR/zip/$kind.zip'")
  t_driver=$(best "${BATCH[@]}" --output "$DIR/out" "$DIR/zip/$kind.zip")
  t_bsdtar=$(best bsdtar -xf "$DIR/zip/$kind.zip" -C "$DIR/out")
  t_7z=$(best 7z x -y -o"$DIR/out" "$DIR/zip/$kind.zip")
  report "harvex-batch (driver)" "$t_driver" "$t_lib"
  report "unzip library alone" "$t_lib" "$t_lib"
  report "bsdtar -xf" "$t_bsdtar" "$t_lib"
  report "7z x" "$t_7z" "$t_lib"
done

echo "3. 1,000 items of one small ZIP each"
"$BIN/driver-bench" items 1000 "$DIR/items"

echo "4. event-loop lateness of a 10 ms timer while the RAR set extracts"
rm -rf "$DIR/out"; mkdir -p "$DIR/out"
"$BIN/driver-bench" latency "$DIR/rar/set.part01.rar" "$DIR/out"
rm -rf "$DIR/out"

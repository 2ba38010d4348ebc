#!/usr/bin/env bash
# Benchmark of the console RAR program against the tools a user would otherwise use.
#
# Content: SIZE_MIB MiB of incompressible data in a few files (default 1024 MiB, four
# files). Archives: a stored RAR 5.0 set of 100 MiB volumes and a single-volume stored
# RAR 5.0 archive of the same content, both written by harvex-mkrar.
# Measured, warm cache, output not synced, best of RUNS rounds, the tools in turns (other work on the machine
# disturbs single runs):
#   cp of the volumes                     (the copy speed of this disk)
#   7z x on the set                       (p7zip; checks the CRCs)
#   bsdtar -xf on the single archive      (cannot follow a set; checks no CRC of stored data)
#   unrar x on the set and on the single archive (every CRC checked)
# Reports MB/s (10^6 bytes of content per second), the ratio to unrar on the set, and
# the peak resident memory of each tool.
#
# Usage: bench/unrar_bench.sh [BUILD_DIR] [WORK_DIR]
#   SIZE_MIB=1024 RUNS=3 bench/unrar_bench.sh build /tmp/unrar-bench
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
WORK=${2:-/tmp/unrar-bench}
SIZE_MIB=${SIZE_MIB:-1024}
RUNS=${RUNS:-3}
UNRAR=$BUILD/bin/unrar
MKRAR=$BUILD/bin/harvex-mkrar
[ -x "$UNRAR" ] && [ -x "$MKRAR" ] || { echo "build unrar and harvex-mkrar first" >&2; exit 1; }

mkdir -p "$WORK"
CONTENT=$WORK/content
if [ ! -f "$WORK/.content-$SIZE_MIB" ]; then
  rm -rf "$WORK"/*
  mkdir -p "$CONTENT/sub"
  per=$((SIZE_MIB / 4))
  for i in 1 2 3; do head -c $((per * 1048576)) /dev/urandom > "$CONTENT/file$i.bin"; done
  head -c $(((SIZE_MIB - 3 * per) * 1048576)) /dev/urandom > "$CONTENT/sub/file4.bin"
  "$MKRAR" --volume-size 100M "$WORK/set.rar" "$CONTENT/file1.bin" "$CONTENT/file2.bin" "$CONTENT/file3.bin" "$CONTENT/sub" > /dev/null
  "$MKRAR" "$WORK/single.rar" "$CONTENT/file1.bin" "$CONTENT/file2.bin" "$CONTENT/file3.bin" "$CONTENT/sub" > /dev/null
  touch "$WORK/.content-$SIZE_MIB"
fi
BYTES=$(du -sb --apparent-size "$CONTENT" | cut -f1)
FIRST=$(ls "$WORK"/set.part*1.rar | head -1)
OUT=$WORK/out
cat "$WORK"/set.part*.rar "$WORK"/single.rar > /dev/null  # warm the cache

source bench/timing.sh

for _ in $(seq "$RUNS"); do
  once cp      cp "$WORK"/set.part*.rar "$OUT"/
  once 7z      7z x -y -o"$OUT" "$FIRST"
  once bsdtar  bsdtar -xf "$WORK/single.rar" -C "$OUT"
  once unrar_set    "$UNRAR" x -o+ -ierr -av- -y -idp "$FIRST" "$OUT"
  once unrar_single "$UNRAR" x -o+ -ierr -av- -y -idp "$WORK/single.rar" "$OUT"
done

# unrar must have extracted the content intact.
rm -rf "$OUT"; "$UNRAR" x -idp "$FIRST" "$OUT" > /dev/null
cmp "$OUT/file1.bin" "$CONTENT/file1.bin" && cmp "$OUT/sub/file4.bin" "$CONTENT/sub/file4.bin"
rm -rf "$OUT"

printf '%s MiB content, %s volumes of the set, best of %s runs\n' "$SIZE_MIB" "$(ls "$WORK"/set.part*.rar | wc -l)" "$RUNS"
printf '%-14s %8s %9s %12s %9s %10s\n' tool seconds MB/s "unrar_set/x" "CPU s" "peak KiB"
for name in cp 7z bsdtar unrar_set unrar_single; do
  t=${BEST[$name]}
  mbs=$(echo "$BYTES / $t / 1000000" | bc -l)
  ratio=$(echo "$t / ${BEST[unrar_set]}" | bc -l)
  printf '%-14s %8.2f %9.0f %12.2f %9.2f %10s\n' "$name" "$t" "$mbs" "$ratio" "${CPU[$name]}" "${MEM[$name]}"
done
echo "(unrar_set/x above 1.00: unrar on the set is faster than x; CPU s: best user + system seconds)"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"

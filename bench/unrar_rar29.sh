#!/usr/bin/env bash
# Benchmark of the console RAR program on compressed RAR 4.x data, which its own RAR 2.9
# decoder reads, against libarchive's decoder (bsdtar) on the same archive.
#
# Content: the files under 4 MB of CONTENT_DIR (default /usr/share/doc, copied once), SIZE_MIB
# at most (libarchive damages larger compressed files; the tests cover those for our decoder).
# Archives written by harvex-mkrar with the test-only RAR 2.9 compressor: one compressed
# file by file (which bsdtar reads too) and one solid (which bsdtar cannot read).
# Measured, warm cache, best of RUNS rounds (the tools take turns within a round):
#   bsdtar -xf on the file-by-file archive   (libarchive's RAR 2.9 decoder)
#   unrar x on the file-by-file archive      (our decoder, every CRC checked)
#   unrar x on the solid archive             (our decoder, state kept across files)
#   cp -r of the content                     (the copy speed of this disk)
#   and, decoding only (nothing written): bsdtar -xOf > /dev/null against unrar t on both
# (unrar writes each file as an unnamed temporary linked in when complete, which costs
# more per file than bsdtar's plain writes; the decode-only rows compare the decoders).
# Reports MB/s of content, the ratio of each time to bsdtar's, CPU seconds and the files
# libarchive extracted damaged (its decoder damages compressed files larger than 4 MiB).
#
# Usage: bench/unrar_rar29.sh [BUILD_DIR] [WORK_DIR]
#   CONTENT_DIR=/usr/share/doc SIZE_MIB=150 RUNS=3 bench/unrar_rar29.sh build /tmp/rar29-bench
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
WORK=${2:-/tmp/rar29-bench}
CONTENT_DIR=${CONTENT_DIR:-/usr/share/doc}
SIZE_MIB=${SIZE_MIB:-150}
RUNS=${RUNS:-3}
UNRAR=$BUILD/bin/unrar
MKRAR=$BUILD/bin/harvex-mkrar
[ -x "$UNRAR" ] && [ -x "$MKRAR" ] || { echo "build unrar and harvex-mkrar first" >&2; exit 1; }

mkdir -p "$WORK"
CONTENT=$WORK/content
if [ ! -f "$WORK/.content" ]; then
  rm -rf "${WORK:?}"/*
  mkdir -p "$CONTENT"
  # Regular files only, up to SIZE_MIB MiB.
  (cd "$CONTENT_DIR" && find . -type f -size -4000k -print0 | head -z -n 100000) |
    while IFS= read -r -d '' f; do
      [ "$(du -sm "$CONTENT" | cut -f1)" -ge "$SIZE_MIB" ] && break
      mkdir -p "$CONTENT/$(dirname "$f")" && cp "$CONTENT_DIR/$f" "$CONTENT/$f" 2>/dev/null || true
    done || true  # the loop's break ends find with SIGPIPE, which pipefail would count as failure
  [ -n "$(find "$CONTENT" -type f -print -quit)" ] || { echo "no content found in $CONTENT_DIR" >&2; exit 1; }
  "$MKRAR" --rar4 --compress "$WORK/each.rar" "$CONTENT" > /dev/null
  "$MKRAR" --rar4 --solid "$WORK/solid.rar" "$CONTENT" > /dev/null
  touch "$WORK/.content"
fi
BYTES=$(du -sb --apparent-size "$CONTENT" | cut -f1)
FILES=$(find "$CONTENT" -type f | wc -l)
OUT=$WORK/out
cat "$WORK"/*.rar > /dev/null

source bench/timing.sh

# The tools take turns within each round, so that a slow spell of the disk (creating
# thousands of files right after deleting as many can take several times as long on
# one run as on the next) falls on all of them alike.
for round in $(seq "$RUNS"); do
  # libarchive reports errors on large compressed files it extracts damaged (counted below).
  ALLOW_FAIL=1 once bsdtar_each  bsdtar -xf "$WORK/each.rar" -C "$OUT"
  [ "$round" = 1 ] && DAMAGED=$(diff -rq "$OUT/content" "$CONTENT" 2>/dev/null | wc -l || true)
  once unrar_each   "$UNRAR" x -o+ -idp "$WORK/each.rar" "$OUT/"
  once unrar_solid  "$UNRAR" x -o+ -idp "$WORK/solid.rar" "$OUT/"
  once cp           cp -r "$CONTENT" "$OUT/"
  once bsdtar_O     sh -c 'bsdtar -xOf "$0" > /dev/null' "$WORK/each.rar"
  once unrar_t_each  "$UNRAR" t -idp "$WORK/each.rar"
  once unrar_t_solid "$UNRAR" t -idp "$WORK/solid.rar"
done

# Our decoder must have extracted everything intact.
rm -rf "$OUT"; mkdir -p "$OUT"
"$UNRAR" x -idp "$WORK/each.rar" "$OUT/" > /dev/null && diff -r "$OUT/content" "$CONTENT"
rm -rf "$OUT"; mkdir -p "$OUT"
"$UNRAR" x -idp "$WORK/solid.rar" "$OUT/" > /dev/null && diff -r "$OUT/content" "$CONTENT"
rm -rf "$OUT"

printf '%s MB of content in %s files; archives: file by file %s MB, solid %s MB; best of %s runs\n' \
  "$((BYTES / 1000000))" "$FILES" "$(($(stat -c %s "$WORK/each.rar") / 1000000))" \
  "$(($(stat -c %s "$WORK/solid.rar") / 1000000))" "$RUNS"
printf '%-13s %8s %8s %10s %8s\n' tool seconds MB/s "x/bsdtar" "CPU s"
for name in bsdtar_each unrar_each unrar_solid cp bsdtar_O unrar_t_each unrar_t_solid; do
  t=${BEST[$name]}
  printf '%-13s %8.2f %8.0f %10.2f %8.2f\n' "$name" "$t" "$(echo "$BYTES / $t / 1000000" | bc -l)" \
    "$(echo "$t / ${BEST[bsdtar_each]}" | bc -l)" "${CPU[$name]}"
done
echo "files libarchive left different from the content (damaged or missing): $DAMAGED"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"

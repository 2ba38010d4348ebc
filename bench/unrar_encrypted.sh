#!/usr/bin/env bash
# Benchmark of the console RAR program on encrypted archives, in one run:
#
#  1. A stored RAR 5.0 set of 100 MiB volumes with SIZE_MIB MiB of incompressible content
#     (default 1024, four files), written twice by harvex-mkrar: encrypted (AES-256 data
#     and headers, PBKDF2 at 2^KDF_COUNT iterations) and unencrypted. Each is extracted
#     with unrar x (the encrypted one with -p), warm cache, output not synced, the two
#     alternating so that both see the same machine load; best of RUNS. Reported: MB/s,
#     CPU seconds, and the ratio encrypted/plain speed (the target is at least 0.70).
#     bsdtar on a single-volume copy of the plain content is the reference a user would
#     otherwise have (it cannot follow a volume set, nor decrypt). unrar t on both sets
#     shows the cost of reading, decrypting and checking alone (nothing written).
#  2. Key derivation of each format (harvex-bench-rarkdf): RAR 5.0 PBKDF2 at the writer's
#     iteration count, RAR 4.x SHA-1 derivation with and without a salt.
#  3. 1,000 small files in a RAR 4.x archive: unencrypted, encrypted with one salt for the
#     archive (one derivation; the key cache answers the other 999 files), and with a salt
#     per file (1,000 derivations, prefetched on every core), the last also on one core.
#
# The data is deleted at the end (KEEP=1 keeps it). Prints the load average before and after.
#
# Usage: bench/unrar_encrypted.sh [BUILD_DIR] [WORK_DIR]
#   SIZE_MIB=1024 RUNS=3 KDF_COUNT=15 bench/unrar_encrypted.sh build /work/tmp-bench
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
WORK=${2:-/tmp/unrar-encrypted-bench}
SIZE_MIB=${SIZE_MIB:-1024}
RUNS=${RUNS:-3}
KDF_COUNT=${KDF_COUNT:-15}
PASSWORD=${PASSWORD:-bench pass}
UNRAR=$BUILD/bin/unrar
MKRAR=$BUILD/bin/harvex-mkrar
KDF=$BUILD/bin/harvex-bench-rarkdf
for tool in "$UNRAR" "$MKRAR" "$KDF"; do
  [ -x "$tool" ] || { echo "build unrar, harvex-mkrar and harvex-bench-rarkdf first ($tool)" >&2; exit 1; }
done
command -v bsdtar > /dev/null || { echo "bsdtar is needed (libarchive-tools)" >&2; exit 1; }

LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)
rm -rf "$WORK"
mkdir -p "$WORK/content/sub" "$WORK/plain" "$WORK/enc"
[ "${KEEP:-0}" = 1 ] || trap 'rm -rf "$WORK"' EXIT

# The content and the archives.
per=$((SIZE_MIB / 4))
for i in 1 2 3; do head -c $((per * 1048576)) /dev/urandom > "$WORK/content/file$i.bin"; done
head -c $(((SIZE_MIB - 3 * per) * 1048576)) /dev/urandom > "$WORK/content/sub/file4.bin"
INPUTS=("$WORK/content/file1.bin" "$WORK/content/file2.bin" "$WORK/content/file3.bin" "$WORK/content/sub")
"$MKRAR" --volume-size 100M "$WORK/plain/set.rar" "${INPUTS[@]}" > /dev/null
"$MKRAR" --volume-size 100M --password "$PASSWORD" --encrypt-headers --kdf-count "$KDF_COUNT" \
  "$WORK/enc/set.rar" "${INPUTS[@]}" > /dev/null
"$MKRAR" "$WORK/single.rar" "${INPUTS[@]}" > /dev/null
BYTES=$(du -sb --apparent-size "$WORK/content" | cut -f1)
PLAIN_FIRST=$(ls "$WORK"/plain/set.part*1.rar | head -1)
ENC_FIRST=$(ls "$WORK"/enc/set.part*1.rar | head -1)
cat "$WORK"/plain/*.rar "$WORK"/enc/*.rar "$WORK/single.rar" > /dev/null  # warm the cache

SMALL=$WORK/small
mkdir -p "$SMALL/files"
for i in $(seq 1000); do head -c $((1000 + i)) /dev/urandom > "$SMALL/files/f$i.bin"; done
"$MKRAR" --rar4 "$SMALL/plain.rar" "$SMALL/files" > /dev/null
"$MKRAR" --rar4 --password "$PASSWORD" "$SMALL/onesalt.rar" "$SMALL/files" > /dev/null
"$MKRAR" --rar4 --password "$PASSWORD" --salt-per-file "$SMALL/saltperfile.rar" "$SMALL/files" > /dev/null

OUT=$WORK/out
source bench/timing.sh

for _ in $(seq "$RUNS"); do
  once plain_set "$UNRAR" x -o+ "$PLAIN_FIRST" "$OUT/"
  once encrypted_set "$UNRAR" x -o+ "-p$PASSWORD" "$ENC_FIRST" "$OUT/"
  once bsdtar_single bsdtar -xf "$WORK/single.rar" -C "$OUT"
  once plain_set_test "$UNRAR" t "$PLAIN_FIRST"
  once encrypted_set_test "$UNRAR" t "-p$PASSWORD" "$ENC_FIRST"
done
# The encrypted set must have extracted intact.
rm -rf "$OUT"; "$UNRAR" x -o+ "-p$PASSWORD" "$ENC_FIRST" "$OUT/" > /dev/null
cmp "$OUT/file1.bin" "$WORK/content/file1.bin" && cmp "$OUT/sub/file4.bin" "$WORK/content/sub/file4.bin"

for _ in $(seq "$RUNS"); do
  once small_plain "$UNRAR" x -o+ "$SMALL/plain.rar" "$OUT/"
  once small_onesalt "$UNRAR" x -o+ "-p$PASSWORD" "$SMALL/onesalt.rar" "$OUT/"
  once small_saltperfile "$UNRAR" x -o+ "-p$PASSWORD" "$SMALL/saltperfile.rar" "$OUT/"
done
if command -v taskset > /dev/null; then
  once small_saltperfile_1core taskset -c 0 "$UNRAR" x -o+ "-p$PASSWORD" "$SMALL/saltperfile.rar" "$OUT/"
fi
[ "$(ls "$OUT/files" | wc -l)" = 1000 ] || { echo "the small files did not all extract" >&2; exit 1; }
rm -rf "$OUT"

KDF_OUT=$("$KDF" --kdf-count "$KDF_COUNT" --runs 5)
kdf() { echo "$KDF_OUT" | awk -v k="$1" '$1 == k { print $NF }'; }
kdf_field() { echo "$KDF_OUT" | awk -v k="$1" -v f="$2" '$1 == k { print $f }'; }

echo "== unrar on encrypted RAR 5.0 sets =="
printf '%s MiB content, %s volumes of 100 MiB, PBKDF2 2^%s, best of %s runs (alternating)\n' \
  "$SIZE_MIB" "$(ls "$WORK"/enc/set.part*.rar | wc -l)" "$KDF_COUNT" "$RUNS"
printf '%-28s %8s %9s %8s\n' "" seconds MB/s "CPU s"
for name in plain_set encrypted_set bsdtar_single plain_set_test encrypted_set_test; do
  printf '%-28s %8.2f %9.0f %8.2f\n' "$name" "${BEST[$name]}" "$(echo "$BYTES / ${BEST[$name]} / 1000000" | bc -l)" "${CPU[$name]}"
done
ratio=$(echo "${BEST[plain_set]} / ${BEST[encrypted_set]}" | bc -l)
printf 'speed encrypted / plain: %.2fx (target >= 0.70: %s)\n' "$ratio" \
  "$([ "$(echo "$ratio >= 0.70" | bc -l)" = 1 ] && echo met || echo MISSED)"
printf 'unrar t (read, decrypt, check; nothing written) encrypted / plain: %.2fx\n' \
  "$(echo "${BEST[plain_set_test]} / ${BEST[encrypted_set_test]}" | bc -l)"
printf 'speed unrar plain set / bsdtar single archive: %.2fx\n' "$(echo "${BEST[bsdtar_single]} / ${BEST[plain_set]}" | bc -l)"

echo "== key derivation (best of 5) =="
printf 'RAR 5.0 PBKDF2-HMAC-SHA256, 2^%s iterations (+ check value and checksum key): %s ms\n' "$KDF_COUNT" "$(kdf rar5)"
printf 'RAR 4.x SHA-1 derivation, 2^18 rounds, 8-byte salt:                        %s ms\n' "$(kdf rar4)"
printf 'RAR 4.x SHA-1 derivation, no salt:                                        %s ms\n' "$(kdf rar4-nosalt)"
printf 'key cache, one salt asked for 1,000 files: %s ms, %s derivation(s)\n' \
  "$(kdf_field cache-same-salt-1000 2)" "$(kdf_field cache-same-salt-1000 3)"
printf 'key cache, 1,000 salts prefetched on %s thread(s): %s ms, %s derivations\n' \
  "$(kdf_field prefetch-1000 2)" "$(kdf_field prefetch-1000 3)" "$(kdf_field prefetch-1000 4)"

echo "== 1,000 small RAR 4.x files (1 to 2 KB each), unrar x, best of $RUNS =="
printf '%-44s %8s %8s\n' "" seconds "CPU s"
for name in small_plain small_onesalt small_saltperfile small_saltperfile_1core; do
  [ -n "${BEST[$name]:-}" ] || continue
  printf '%-44s %8.2f %8.2f\n' "$name" "${BEST[$name]}" "${CPU[$name]}"
done
printf 'cost of 1,000 derivations over one: %.2f s; without the cache the one-salt archive would pay about %.2f s more\n' \
  "$(echo "${BEST[small_saltperfile]} - ${BEST[small_onesalt]}" | bc -l)" \
  "$(echo "999 * $(kdf rar4) / 1000" | bc -l)"
echo "load average: before $LOAD_BEFORE, after $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"

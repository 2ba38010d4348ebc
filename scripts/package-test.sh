#!/usr/bin/env bash
# Builds the Debian package, installs it with dpkg into a throw-away root, runs
# harvex-batch --help and a demo release from the installed files (with a foreign
# "unrar" first on PATH that must never run), writes the menus with the installed
# harvex-fmactions, then removes the package and checks that nothing is left.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/package.sh
deb=$(ls build-deb/harvex_*.deb)
# harvex-mkrar (the demo's archive writer) is not in the package: the normal build has it.
mkrar=build/bin/harvex-mkrar
if [ ! -x "$mkrar" ]; then
  [ -f build/CMakeCache.txt ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build --target harvex-mkrar >/dev/null
fi

work=$(mktemp -d /tmp/harvex-package-XXXXXX)
trap 'rm -rf "$work"' EXIT
root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/tmp"
: > "$root/var/lib/dpkg/status"
dpkg --root="$root" --force-not-root --force-depends --force-script-chrootless --log=/dev/null -i "$deb" >/dev/null
dpkg --root="$root" -L harvex | grep -qx /usr/libexec/harvex/unrar
[ ! -e "$root/usr/bin/unrar" ]

"$root/usr/bin/harvex-batch" --help | grep -q -- "--keep-nfo"

mkdir -p "$work/fake" "$work/release/Demo.Movie" "$work/out" "$work/registry" "$work/home"
printf '#!/bin/sh\ntouch "%s/foreign-unrar-ran"\nexit 0\n' "$work" > "$work/fake/unrar"
chmod +x "$work/fake/unrar"
head -c 2500000 /dev/urandom > "$work/movie.mkv"
printf 'Demo.Movie\n' > "$work/release/Demo.Movie/demo.nfo"
"$mkrar" --volume-size 1M "$work/release/Demo.Movie/demo.rar" "$work/movie.mkv" >/dev/null
HARVEX_REGISTRY_DIR="$work/registry" PATH="$work/fake:$PATH" \
  "$root/usr/bin/harvex-batch" --keep-nfo --keep-folder --clean-up --output "$work/out" "$work/release/Demo.Movie"
cmp "$work/movie.mkv" "$work/out/Demo.Movie/movie.mkv"
[ -e "$work/out/Demo.Movie/demo.nfo" ]
[ ! -e "$work/foreign-unrar-ran" ]
[ ! -e "$work/release/Demo.Movie/demo.part1.rar" ]

HOME="$work/home" HARVEX_REGISTRY_DIR="$work/registry" "$root/usr/bin/harvex-fmactions"
[ -x "$work/home/.local/share/kio/servicemenus/harvex.desktop" ]

dpkg --root="$root" --force-not-root --force-script-chrootless --log=/dev/null -r harvex >/dev/null
if [ -e "$root/usr" ] && [ -n "$(find "$root/usr" ! -type d)" ]; then
  find "$root/usr" ! -type d
  echo "files left after removal" >&2
  exit 1
fi
echo "package test: OK ($deb)"

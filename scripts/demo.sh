#!/usr/bin/env bash
# Builds Harvex, writes a demo release folder into demo/ and processes it headless
# with harvex-batch: a multi-volume RAR set, a ZIP, an .nfo, a sample and a
# subtitle pack go in; the extracted movie, the kept companions and the subtitles
# come out in demo/out, and clean-up removes what extraction made redundant.
# With a display ($DISPLAY or $WAYLAND_DISPLAY), the Harvex window then opens on a
# second copy of the release (HARVEX_DEMO_NO_WINDOW=1 skips it).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target harvex-batch unrar unzdll harvex-mkrar
with_window=""
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${HARVEX_DEMO_NO_WINDOW:-}" ]; then
  cmake --build build -j "$(nproc)" --target harvex
  with_window=1
fi

bin=build/bin
rm -rf demo
mkdir -p demo/src demo/release/Demo.Movie.2024/Sample demo/release/Demo.Movie.2024/Subs demo/out demo/registry
rel=demo/release/Demo.Movie.2024

# The content: a "movie", its extras, a sample and subtitles.
head -c 3000000 /dev/urandom > demo/src/demo.movie.2024.mkv
printf 'Demo.Movie.2024\n\nA demo release made by scripts/demo.sh.\n' > "$rel/demo.movie.2024.nfo"
head -c 200000 /dev/urandom > "$rel/Sample/demo.movie.2024-sample.mkv"
for i in $(seq 1 200); do
  printf '%d\n00:%02d:01,000 --> 00:%02d:03,000\nHello from Harvex, line %d.\n\n' "$i" $((i / 60)) $((i / 60)) "$i"
done > demo/src/demo.movie.2024.eng.srt
mkdir -p demo/src/extras && printf 'Behind the scenes.\n' > demo/src/extras/making-of.txt

# A multi-volume RAR set (part naming), a ZIP of extras, a subtitle pack (a compressed,
# solid RAR 4.x archive).
"$bin/harvex-mkrar" --volume-size 1M "$rel/demo.movie.2024.rar" demo/src/demo.movie.2024.mkv >/dev/null
(cd demo/src && zip -qr "../../$rel/extras.zip" extras)
"$bin/harvex-mkrar" --rar4 --solid "$rel/Subs/demo.movie.2024.subs.rar" demo/src/demo.movie.2024.eng.srt >/dev/null

cp -r demo/release demo/window-release

echo "Demo release:"
(cd demo/release && find . -type f | sort | sed 's/^/  /')
echo

# Settings of the demo run live in demo/registry, away from the user's own.
export HARVEX_REGISTRY_DIR="$PWD/demo/registry"
status=0
"$bin/harvex-batch" --keep-nfo --keep-sample --keep-subs --keep-subs-folder --keep-folder --clean-up \
  --output demo/out "$rel" || status=$?

echo
echo "Output folder demo/out:"
(cd demo/out && find . -type f | sort | sed 's/^/  /')
echo "Left in demo/release:"
(cd demo/release && find . | sort | sed 's/^/  /')

if [ -n "$with_window" ]; then
  echo
  echo "Opening the Harvex window on a copy of the demo release: press Go! to process it."
  "$bin/harvex" "$PWD/demo/window-release/Demo.Movie.2024" || true
fi
exit "$status"

#!/usr/bin/env bash
# Opens every dialog of dialogs/ under a virtual X server (xvfb-run) with sample data and
# writes a picture of each to docs/screenshots/dialog-<name>.png.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
if [ ! -d "$BUILD" ]; then
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD" -j2 --target harvex-dialog-preview
mkdir -p docs/screenshots
for name in presets preset-edit preferences password error-report cleanup-report help changelog missing-files; do
  xvfb-run -a -s "-screen 0 1280x1024x24" "$BUILD/tests/harvex-dialog-preview" "$name" "docs/screenshots/dialog-$name.png"
  echo "docs/screenshots/dialog-$name.png"
done

#!/usr/bin/env bash
# Renders the controls for a look, offscreen (no display needed), into
# docs/screenshots/: the image list as a contact sheet (16 px, 16 px enlarged,
# 48 px), the button, window and menu icons, a job list with a row in every
# state and the bar over the running row (percentage and marquee), and the
# custom controls, and the job list at twice the density.
# Usage: scripts/screenshots-controls.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target harvex-controls-shots
QT_QPA_PLATFORM=offscreen "$build/tests/harvex-controls-shots" docs/screenshots
# The same list on a screen of twice the density: icons and text painted at 2x.
QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=2 "$build/tests/harvex-controls-shots" docs/screenshots --hidpi

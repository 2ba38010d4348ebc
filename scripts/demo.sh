#!/usr/bin/env bash
# Builds Harvex, writes a demo release folder into demo/ and processes it headless.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
echo "The demo run comes with harvex-batch; the build is in build/bin/." >&2
exit 1

#!/usr/bin/env bash
# Builds and runs the discovery benchmark: the engine's folder scan against
# `find -type f -printf '%s\n'` on a tree of 100,000 files in 1,000 folders.
# usage: bench/discovery.sh [TREE] [RUNS]   (run as root to include the cold-cache figures)
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target discovery_bench -j2
exec build/bin/discovery_bench "$@"

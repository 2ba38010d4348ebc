#!/usr/bin/env bash
# The RAR worker's cost over the console RAR program alone, on a stored RAR 5.0 set of
# SIZE_MIB MiB (default 1024) in 100 MiB volumes written by harvex-mkrar; best of RUNS.
# Usage: SIZE_MIB=1024 RUNS=3 bench/redirect.sh [BUILD_DIR] [WORK_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
WORK=${2:-/tmp/redirect-bench}
SIZE_MIB=${SIZE_MIB:-1024}
RUNS=${RUNS:-3}
cmake --build "$BUILD" --target redirect-bench harvex-mkrar unrar > /dev/null
mkdir -p "$WORK"
if [ ! -f "$WORK/.content-$SIZE_MIB" ]; then
  rm -rf "${WORK:?}"/*
  mkdir -p "$WORK/content"
  head -c $((SIZE_MIB * 1048576)) /dev/urandom > "$WORK/content/movie.mkv"
  "$BUILD/bin/harvex-mkrar" --volume-size 100M "$WORK/set.rar" "$WORK/content/movie.mkv" > /dev/null
  touch "$WORK/.content-$SIZE_MIB"
fi
first=$(ls "$WORK"/set.part*.rar | sort | head -n 1)
"$BUILD/bin/redirect-bench" "$first" "$WORK/out" "$RUNS"

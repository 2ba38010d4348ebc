#!/usr/bin/env bash
# Fails when a tracked C++ file of ours differs from .clang-format (third_party/ is left as
# its authors wrote it).
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z '*.cpp' '*.h' '*.c' '*.cc' ':!:third_party/**' | xargs -0 -r clang-format --dry-run -Werror
echo "format: every tracked C++ file matches .clang-format"

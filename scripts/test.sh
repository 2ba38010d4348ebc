#!/usr/bin/env bash
# Installs what is missing, builds everything into build/ and runs every test;
# then builds the headless parts with AddressSanitizer and UndefinedBehaviorSanitizer
# into build-asan/ and runs their tests again; then builds the engine, process, platform and
# batch tests with ThreadSanitizer into build-tsan/ and runs them; then runs every fuzz target
# for 20 seconds (scripts/fuzz.sh, build-fuzz/). HARVEX_SKIP_SANITIZERS=1, HARVEX_SKIP_TSAN=1
# and HARVEX_SKIP_FUZZ=1 leave those passes out.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/check-format.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$jobs"

if [ "${HARVEX_SKIP_SANITIZERS:-0}" != "1" ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHARVEX_SANITIZE=ON \
        -DHARVEX_ENGINE_ONLY=ON -DHARVEX_BUILD_BENCH=OFF
  cmake --build build-asan -j "$jobs"
  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs" -LE nosan
fi

if [ "${HARVEX_SKIP_TSAN:-0}" != "1" ]; then
  # Only the programs whose threads matter (the driver's workers, the runner, the store's
  # writers), so that the pass stays within a few minutes on two cores.
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHARVEX_TSAN=ON \
        -DHARVEX_ENGINE_ONLY=ON -DHARVEX_BUILD_BENCH=OFF
  cmake --build build-tsan -j "$jobs" --target engine_tests process_tests platform_tests \
        batch_tests unrar unzdll harvex-mkrar harvex-batch
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan.supp" \
    ctest --test-dir build-tsan --output-on-failure -j "$jobs" \
          -L '^(engine_tests|process_tests|platform_tests|batch_tests)$'
fi

if [ "${HARVEX_SKIP_FUZZ:-0}" != "1" ]; then
  scripts/fuzz.sh 20
fi

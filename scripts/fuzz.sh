#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/ and runs each for a fixed time.
#
#   scripts/fuzz.sh [SECONDS-PER-TARGET] [TARGET...]
#
# SECONDS-PER-TARGET defaults to 300 (a longer run by hand); scripts/test.sh runs every
# target for 20 seconds as a regression run. Seeds are written by harvex-fuzz-seeds (the
# fixture writers) into build-fuzz/fuzz/seeds/<target>; what a run finds new is kept in
# build-fuzz/fuzz/corpus/<target> for the next run. A crash, a sanitizer report or a broken
# check leaves its input in build-fuzz/fuzz/findings/ and makes the script fail: turn it
# into a test of the normal suite.
# FUZZ_JOBS=N runs N fuzzing processes per target (default 1: the machine is shared).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-300}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_rar_blocks fuzz_rar29 fuzz_rar_decrypt fuzz_zip_layout fuzz_reg_text fuzz_handover)
fi
jobs="${FUZZ_JOBS:-1}"
parallel=()
if [ "$jobs" -gt 1 ]; then parallel=(-jobs="$jobs" -workers="$jobs"); fi

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" \
      -DHARVEX_FUZZ=ON -DHARVEX_ENGINE_ONLY=ON -DHARVEX_BUILD_TESTS=OFF -DHARVEX_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]}" harvex-fuzz-seeds

dir=build-fuzz/fuzz
rm -rf "$dir/seeds"
"$dir/harvex-fuzz-seeds" "$dir/seeds"
mkdir -p "$dir/findings"
failed=()
for target in "${targets[@]}"; do
  name="${target#fuzz_}"
  mkdir -p "$dir/corpus/$name" "$dir/seeds/$name"
  log="$dir/$name.log"
  echo "== $target: ${seconds}s"
  status=0
  ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$dir/$target" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=3072 -max_len=65536 \
      "${parallel[@]}" -print_final_stats=1 \
      -artifact_prefix="$dir/findings/$name-" "$dir/corpus/$name" "$dir/seeds/$name" >"$log" 2>&1 || status=$?
  # With -jobs the output of each job goes to fuzz-N.log in the current folder.
  if [ "$jobs" -gt 1 ]; then cat fuzz-*.log >>"$log" 2>/dev/null || true; rm -f fuzz-*.log; fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | awk '{s+=$2} END {print s+0}')
  echo "   executions: $runs, corpus: $(ls "$dir/corpus/$name" | wc -l) inputs, exit status $status"
  if [ "$status" -ne 0 ] || grep -q -E '^(==[0-9]+==ERROR|SUMMARY: (Address|UndefinedBehavior)Sanitizer)' "$log"; then
    failed+=("$target")
    grep -E 'ERROR|SUMMARY|Test unit written|runtime error' "$log" | head -20
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]} (inputs in $dir/findings, logs in $dir/*.log)"
  exit 1
fi
echo "fuzz: no findings"

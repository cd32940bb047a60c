#!/usr/bin/env bash
# Builds Quorvane and runs every test twice: a normal build, then one under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=$(nproc)
for variant in build build-asan; do
  sanitize=OFF
  [ "$variant" = build-asan ] && sanitize=ON
  echo "== $variant =="
  cmake -S . -B "$variant" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_SANITIZE=$sanitize >/dev/null
  cmake --build "$variant" -j "$jobs"
  (cd "$variant" && ctest --output-on-failure -j "$jobs" --timeout 300)
done

# --- Fuzz stage (libFuzzer, clang): each target runs 30 s from its seed corpus and fails the run on
# any crash, sanitizer report or violated property. New inputs and crash artifacts stay in build-fuzz.
# Each target reuses one program between inputs, so libFuzzer's per-input leak check (a full heap scan
# whenever an input leaves memory behind for the next) is off; leaks still show in the check at exit.
scripts/deps.sh clang libclang-rt-14-dev
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DQUORVANE_FUZZ=ON -DQUORVANE_TESTS=OFF -DBUILD_TESTING=OFF >/dev/null
fuzz_targets=(settings echo_pages update_requests answers)
cmake --build build-fuzz -j "$jobs" --target "${fuzz_targets[@]/#/fuzz_}"
for target in "${fuzz_targets[@]}"; do
  echo "== fuzz $target =="
  mkdir -p "build-fuzz/corpus/$target" build-fuzz/artifacts
  if ! build-fuzz/tests/fuzz/fuzz_$target -max_total_time=30 -detect_leaks=0 -print_final_stats=1 \
      -artifact_prefix="build-fuzz/artifacts/$target-" "build-fuzz/corpus/$target" "tests/fuzz/corpus/$target" \
      >"build-fuzz/fuzz_$target.log" 2>&1; then
    tail -n 60 "build-fuzz/fuzz_$target.log"
    echo "Fuzz target $target failed; the input is in build-fuzz/artifacts/."
    exit 1
  fi
  grep -E "stat::(number_of_executed_units|average_exec_per_sec)" "build-fuzz/fuzz_$target.log"
done
# --- End of fuzz stage.

echo "All tests passed."

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
echo "All tests passed."

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

# Windows: the core and the Win32 platform cross-built with mingw-w64; every unit test and the Win32
# platform tests run under Wine. Wine's prefix lives in build-win; its server runs for the whole stage
# and its services are started with their output in files (they would hold a pipe to ctest open).
echo "== build-win =="
QUORVANE_APT_OPTIONS=--no-install-recommends \
  scripts/deps.sh g++-mingw-w64-x86-64-posix wine wine64 libgnutls30 googletest
cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build-win -j "$jobs"
export WINEPREFIX="$PWD/build-win/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
cmake/wine-run.sh "$WINEPREFIX"
trap 'wineserver -k 2>/dev/null || true' EXIT
wineserver -p >build-win/wineserver.log 2>&1 </dev/null
wine wineboot >build-win/wineboot.log 2>&1 </dev/null
(cd build-win && ctest --output-on-failure -j "$jobs" --timeout 300)
wineserver -k
trap - EXIT
echo "All tests passed."

#!/usr/bin/env bash
# Builds Quorvane (console and desktop programs) and runs every test twice: a normal build, then one
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
# The desktop program (Qt 6) and its session test: a virtual X display, tray hosts (trayer, and Xfce's
# window manager, panel and notices on a private session bus), input and screenshots.
QUORVANE_APT_OPTIONS=--no-install-recommends \
  scripts/deps.sh qt6-base-dev xvfb xauth xdotool x11-utils imagemagick trayer \
  xfwm4 xfce4-panel xfconf dbus-x11 xfce4-notifyd libglib2.0-bin
jobs=$(nproc)
for variant in build build-asan; do
  sanitize=OFF
  [ "$variant" = build-asan ] && sanitize=ON
  echo "== $variant =="
  cmake -S . -B "$variant" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_SANITIZE=$sanitize \
    -DQUORVANE_QT=ON >/dev/null
  cmake --build "$variant" -j "$jobs"
  (cd "$variant" && ctest --output-on-failure -j "$jobs" --timeout 300)
done

# --- Fuzz stage (libFuzzer, clang): each target runs 30 s from its seed corpus and fails the run on
# any crash, sanitizer report or violated property. New inputs and crash artifacts stay in build-fuzz.
# Each target reuses one program between inputs, so libFuzzer's per-input leak check (a full heap scan
# whenever an input leaves memory behind for the next) is off; leaks still show in the check at exit.
scripts/deps.sh clang libclang-rt-14-dev
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DQUORVANE_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
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

# --- Package stage: the console program's Debian package (lintian without errors, the service's
# exposure), then unpacked and used as a server's administrator would; the desktop package installed
# with the console one on a fresh Debian 12 root, docking in a tray; the Windows installer and zip
# (their test runs under Wine in the Windows stage).
scripts/package.sh
tests/package/package_test.sh dist
tests/package/desktop_package_test.sh dist build-package

# Windows: the core, the Win32 platform and quorvane.exe cross-built with mingw-w64; every unit test,
# the Win32 platform tests and a desktop session of quorvane.exe (Xvfb and trayer from above; Wine's
# own fonts for its captions) run under Wine. Wine's prefix lives in build-win; its server runs for the whole stage
# and its services are started with their output in files (they would hold a pipe to ctest open).
echo "== build-win =="
QUORVANE_APT_OPTIONS=--no-install-recommends \
  scripts/deps.sh g++-mingw-w64-x86-64-posix wine wine64 libgnutls30 fonts-wine procps googletest
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
tests/win32/installer_test.sh dist/quorvane-setup.exe build-win/tests/win32/wintext.exe "$WINEPREFIX" \
  build-win/installer_test || [ $? -eq 77 ]
echo "All tests passed."

#!/usr/bin/env bash
# Builds Quorvane and runs it in the console until Ctrl+C; with --gui first, builds and starts the
# desktop program (window, tray icon) instead. Other arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--gui" ]; then
  shift
  QUORVANE_APT_OPTIONS=--no-install-recommends scripts/deps.sh qt6-base-dev
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_QT=ON >/dev/null
  cmake --build build --target quorvane-gui
  exec build/quorvane-gui "$@"
fi
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target quorvane
exec build/quorvane --console "$@"

#!/usr/bin/env bash
# Builds Quorvane and runs it in the console until Ctrl+C. Extra arguments go to quorvane.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target quorvane
exec build/quorvane --console "$@"

#!/bin/sh
# Size of the Windows build: the whole core and the Win32 platform linked into a tiny entry
# (quorvane_core_probe), stripped, and the DLLs it imports. The goal for the final quorvane.exe is at
# most 1 MiB with system DLLs only. Builds build-win when needed (see scripts/test.sh).
set -eu
cd "$(dirname "$0")/.."
[ -f build-win/build.ninja ] || cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build-win --target quorvane_core_probe >/dev/null
mkdir -p bench/out
x86_64-w64-mingw32-strip -o bench/out/quorvane_core_probe.exe build-win/quorvane_core_probe.exe
bytes=$(stat -c %s bench/out/quorvane_core_probe.exe)
echo "core + Win32 platform, stripped: $bytes bytes ($((bytes / 1024)) KiB; goal for the exe: 1024 KiB)"
echo "imported DLLs:"
x86_64-w64-mingw32-objdump -p bench/out/quorvane_core_probe.exe | sed -n 's/^\tDLL Name: /  /p'

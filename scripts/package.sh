#!/usr/bin/env bash
# Builds the packages into dist/: quorvane_VERSION_amd64.deb (the console program, its man page, a
# hardened system service and a user service), quorvane-gui_VERSION_amd64.deb (the desktop program),
# both checked by lintian; then the Windows installer quorvane-setup.exe and the portable zip.
set -euo pipefail
cd "$(dirname "$0")/.."

# --- Linux packages (Debian).
# One CPack run makes both: quorvane_VERSION_amd64.deb (the console program for servers) and
# quorvane-gui_VERSION_amd64.deb (the desktop program, its menu entry, icons and man page). debootstrap
# is for the desktop package's install test (tests/package/desktop_package_test.sh).
scripts/deps.sh dpkg-dev lintian systemd
QUORVANE_APT_OPTIONS=--no-install-recommends \
  scripts/deps.sh qt6-base-dev librsvg2-bin desktop-file-utils debootstrap
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DQUORVANE_QT=ON >/dev/null
cmake --build build-package
rm -f dist/quorvane_*.deb dist/quorvane-gui_*.deb
(cd build-package && cpack -G DEB >/dev/null)
desktop-file-validate data/quorvane.desktop
for deb in dist/quorvane_*.deb dist/quorvane-gui_*.deb; do
  echo "== $deb ($(stat -c %s "$deb") bytes) =="
  dpkg-deb --info "$deb" | grep -E '^ (Package|Version|Depends|Recommends|Suggests|Installed-Size):'
  # lintian: errors fail the build; the warnings are printed.
  lintian --fail-on error --suppress-tags-from-file data/debian/lintian-overrides "$deb" || {
    echo "lintian reports errors for $deb"; exit 1; }
done
# Servers get the console package: a Qt dependency would pull a desktop's libraries onto them.
if dpkg-deb --field dist/quorvane_*.deb Depends | grep -qi qt; then
  echo "the console package depends on Qt"; exit 1
fi
echo "== systemd-analyze security quorvane.service =="
systemd-analyze security --offline=true data/systemd/quorvane.service | tail -n 1
# --- End of the Linux packages.

# --- Windows packages (installer and portable zip).
# quorvane.exe from a Release cross build, stripped; NSIS wraps it into quorvane-setup.exe (per-user,
# data/windows/quorvane.nsi), and the portable zip holds it with the README and the licence.
QUORVANE_APT_OPTIONS=--no-install-recommends scripts/deps.sh g++-mingw-w64-x86-64-posix nsis
cmake -S . -B build-package-win -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF --no-warn-unused-cli \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build-package-win --target quorvane
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-package-win/CMakeCache.txt)
stage=$PWD/build-package-win/stage setup=$PWD/dist/quorvane-setup.exe zip=$PWD/dist/quorvane-$version-win64.zip
rm -rf "$stage" dist/quorvane-setup.exe dist/quorvane-*-win64.zip && mkdir -p "$stage" dist
x86_64-w64-mingw32-strip -o "$stage/quorvane.exe" build-package-win/quorvane.exe
# Text files with CR LF line ends, as Notepad wants them; the licence is the copyright file's wording.
sed 's/$/\r/' README.md >"$stage/README.md"
sed -n '/^License:/,/^$/{/^License:/d; /^$/d; s/^ //; s/^\.$//; s/$/\r/; p}' data/debian/copyright >"$stage/LICENSE.txt"
makensis -V2 -DVERSION="$version" -DPROGRAM="$stage/quorvane.exe" -DOUTFILE="$setup" data/windows/quorvane.nsi
(cd "$stage" && cmake -E tar cf "$zip" --format=zip quorvane.exe README.md LICENSE.txt)
for file in "$setup" "$zip"; do echo "== ${file#"$PWD/"} ($(stat -c %s "$file") bytes) =="; done
[ "$(stat -c %s "$setup")" -le 1048576 ] || { echo "$setup is larger than 1 MiB"; exit 1; }
# --- End of the Windows packages.

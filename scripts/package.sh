#!/usr/bin/env bash
# Builds the packages into dist/: quorvane_VERSION_amd64.deb (the console program, its man page, a
# hardened system service and a user service), then checks it with lintian and systemd-analyze.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh dpkg-dev lintian systemd
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DQUORVANE_QT=OFF >/dev/null
cmake --build build-package
rm -f dist/quorvane_*.deb
(cd build-package && cpack -G DEB >/dev/null)
deb=$(ls dist/quorvane_*.deb)
echo "== $deb ($(stat -c %s "$deb") bytes) =="
dpkg-deb --info "$deb" | grep -E '^ (Package|Version|Depends|Installed-Size):'
# lintian: errors fail the build; the warnings are printed.
lintian --fail-on error --suppress-tags-from-file data/debian/lintian-overrides "$deb" || {
  echo "lintian reports errors for $deb"; exit 1; }
echo "== systemd-analyze security quorvane.service =="
systemd-analyze security --offline=true data/systemd/quorvane.service | tail -n 1

#!/usr/bin/env bash
# Installs the Debian packages Quorvane needs to build and test, when any is missing.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config libcurl4-openssl-dev libgtest-dev python3 openssl
          ca-certificates iproute2 util-linux time "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq ${QUORVANE_APT_OPTIONS:-} "${missing[@]}"

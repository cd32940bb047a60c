#!/usr/bin/env bash
# Both packages installed by apt into a fresh Debian 12 root (dependencies from this machine's archive);
# the console program points the settings at a loopback echo page; the installed quorvane-gui, under
# Xvfb and trayer (../qt/x_desktop.sh, outside the root, the X socket mounted in), docks and learns its
# address. Usage: desktop_package_test.sh DIST BUILD_FOLDER (which caches the root and downloads).
set -euo pipefail
dist=$(realpath "$1") cache=$(realpath "${2:-build-package}")
here=$(cd "$(dirname "$0")/.." && pwd)
root=$cache/desktop-test/root out=$cache/desktop-test/out tray_icon='("quorvane-gui" "Quorvane")'
if [ -z "${QV_IN_NAMESPACE:-}" ]; then
  tarball=$cache/debian12-minbase.tar
  if [ ! -s "$tarball" ]; then
    mirror=$(apt-get indextargets --format '$(REPO_URI) $(CODENAME)' | awk '$2 == "bookworm" { print $1; exit }')
    rm -rf "$root" && debootstrap --variant=minbase bookworm "$root" "$mirror" >"$cache/debootstrap.log"
    rm -f "$root"/var/cache/apt/archives/*.deb && tar -C "$root" -cf "$tarball.part" . && mv "$tarball.part" "$tarball"
  fi
  rm -rf "$root" && mkdir -p "$root" "$cache/desktop-test/apt/partial" && tar -C "$root" -xf "$tarball"
  cp "$dist"/quorvane_*.deb "$root/tmp/quorvane.deb" && cp "$dist"/quorvane-gui_*.deb "$root/tmp/quorvane-gui.deb"
  # In a private mount namespace, so that the package cache and /proc are mounted for the install only.
  # The archive is asked only when the cached lists and packages fall short (a first run, a new dependency).
  unshare -m sh -ec "mount --bind '$cache/desktop-test/apt' '$root/var/cache/apt/archives'
    mount -t proc proc '$root/proc'
    add() { DEBIAN_FRONTEND=noninteractive chroot '$root' apt-get install -y -qq --no-install-recommends \
      -o Dpkg::Options::=--force-unsafe-io /tmp/quorvane.deb /tmp/quorvane-gui.deb; }
    add || { chroot '$root' apt-get update -qq && add; }" >"$cache/desktop-test/apt.log" 2>&1 ||
    { tail -n 20 "$cache/desktop-test/apt.log"; echo "FAIL: apt could not install the packages"; exit 1; }
fi
source "$here/qt/x_desktop.sh"

start_display 42
start_tray
mkdir -p "$root/tmp/.X11-unix" "$root/tmp/home/run" && chmod 0700 "$root/tmp/home/run"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix" && mount -t proc proc "$root/proc"
(cd "$root" && ls usr/bin/quorvane-gui usr/share/applications/quorvane.desktop usr/share/man/man1/quorvane-gui.1.gz \
  usr/share/icons/hicolor/{scalable/apps/quorvane.svg,48x48/apps/quorvane.png}) >/dev/null || fail "files missing"
serve echo --route /ip 200 203.0.113.7
as_user=(chroot "$root" env HOME=/tmp/home XDG_DATA_HOME=/tmp/home/data XDG_CONFIG_HOME=/tmp/home/config
  XDG_RUNTIME_DIR=/tmp/home/run DISPLAY="$DISPLAY")
"${as_user[@]}" quorvane --set "echo-urls=$url/ip" >/dev/null || fail "quorvane --set"
"${as_user[@]}" /usr/bin/quorvane-gui >"$out/gui.log" 2>&1 &
within 30000 icon_docked || fail "the installed quorvane-gui did not dock: $(cat "$out/gui.log")"
log=$root/tmp/home/data/Quorvane/ipchange.log
within 10000 grep -q "changed to 203.0.113.7" "$log" || fail "no address learnt: $(cat "$log" "$out/gui.log")"
echo "desktop package test passed: $(cd "$dist" && ls quorvane-gui_*.deb)"

#!/usr/bin/env bash
# The built package as a server's administrator uses it: unpacked, its settings commands prepare the
# service's folder (owned by the service's user, which they keep), then the unit's ExecStart runs as
# that user against an echo service on loopback, takes a --set at once, and saves at SIGTERM.
set -euo pipefail
deb=$(ls "${1:-dist}"/quorvane_*.deb)
here=$(cd "$(dirname "$0")/.." && pwd) work=$(mktemp -d)
trap 'kill ${server:-} ${service:-} 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; for f in "$work"/out "$work"/data/ipchange.log; do [ -f "$f" ] && cat "$f"; done; exit 1; }

dpkg-deb -x "$deb" "$work/root"
(cd "$work/root" && ls usr/bin/quorvane usr/share/man/man1/quorvane.1.gz usr/lib/{systemd/{system,user}/quorvane.service,{sysusers,tmpfiles}.d/quorvane.conf} usr/share/doc/quorvane/copyright) >/dev/null || fail "files missing"
quorvane="$work/root/usr/bin/quorvane"

# The folder as the package's tmpfiles.d entry makes it, for an unprivileged user.
install -d -m 0700 -o nobody -g nogroup "$work/data"
python3 -u "$here/support/servers/test_server.py" --route /ip 200 203.0.113.5 >"$work/port" & server=$!
until [ -s "$work/port" ]; do sleep 0.05; done
"$quorvane" --data-folder "$work/data" --set service=dyndns --set username=alice --set log-everything=yes \
  --set hostnames=home.example.org --set "echo-urls=http://127.0.0.1:$(cat "$work/port")/ip" >/dev/null || fail "--set"
echo "s3cret pass" | "$quorvane" --data-folder "$work/data" --set password=- >/dev/null || fail "--set password=-"
[ "$(stat -c '%U %a' "$work/data/config.txt")" = "nobody 600" ] || fail "config.txt's owner or mode changed"
"$quorvane" --data-folder "$work/data" --show-settings | grep -qx 'password = \*\*\*\*\*\*\*\*' || fail "masking"

# The unit's command, as its user, with this folder.
command=$(sed -n "s|^ExecStart=||; T; s|/usr/bin/quorvane|$quorvane|g; s|/var/lib/quorvane|$work/data|g; p" \
  "$work/root/usr/lib/systemd/system/quorvane.service")
chmod o+x "$work"
setpriv --reuid=nobody --regid=nogroup --clear-groups $command >"$work/out" 2>&1 & service=$!
logged() { timeout "$2" sh -c "until grep -q '$1' '$work/data/ipchange.log' 2>/dev/null; do sleep 0.1; done"; }
logged 'changed to 203.0.113.5' 10 || fail "the service learnt no address"
"$quorvane" --data-folder "$work/data" --set interval=7 | grep -q "The running copy (process $service)" ||
  fail "the running service was not told"
logged 'Settings re-read' 5 || fail "the service did not re-read its settings"
"$quorvane" --data-folder "$work/data" --status | grep -qx 'running = yes' || fail "--status"
[ "$("$quorvane" --data-folder "$work/data" --set interval=1 2>&1 >/dev/null; echo $?)" = "quorvane: interval: \"1\" \
is not allowed; allowed: a whole number of minutes from 2 to 43200
64" ] || fail "a refused value"
# One copy per folder: a second --console refuses; a --once started while the service stops waits for it.
second=$("$quorvane" --data-folder "$work/data" --console 2>&1) && fail "a second copy ran on the folder"
[[ $second == *"Another copy of Quorvane is using the data folder"* ]] || fail "a second copy: $second"
"$quorvane" --data-folder "$work/data" --once >"$work/once" 2>&1 & once=$!
sleep 0.5 && kill -TERM "$service"
wait "$service" && service="" || fail "the service's exit status"
wait "$once" || fail "--once after the service stopped: $(cat "$work/once")"
sed -n 11p "$work/data/config.txt" | grep -q '^7' || fail "the interval was not kept"
[ -z "$(find "$work/data" ! -user nobody)" ] || fail "files not owned by the service's user: $(find "$work/data" ! -user nobody)"
echo "package test passed: $(basename "$deb")"

#!/usr/bin/env bash
# quorvane-gui in a desktop session: a virtual X display, first without a tray host, then with one
# (trayer). Runs in private mount, network and PID namespaces: only loopback, an /etc/hosts that sends
# the default echo services to a local echo server, and everything started ends with the namespace.
# Screenshots of the window and the tray menu land in the output folder (docs/ holds copies).
# Usage: desktop_session.sh QUORVANE_GUI OUTPUT_FOLDER. Exit 77: skipped.
set -euo pipefail
gui=$(realpath "$1")
out=$(realpath -m "$2")
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${QV_IN_NAMESPACE:-}" ]; then
  for tool in Xvfb trayer xdotool xwininfo import unshare; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
  done
  unshare -mnpf --mount-proc true 2>/dev/null || { echo "SKIP: no private namespaces here"; exit 77; }
  rm -rf "$out" && mkdir -p "$out"
  QV_IN_NAMESPACE=1 exec unshare -mnpf --mount-proc "$0" "$@"
fi

fail() { echo "FAIL: $*"; exit 1; }
# Waits up to $1 seconds for a command to succeed.
wait_for() {
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do [ $SECONDS -lt $deadline ] || return 1; sleep 0.1; done
}
window_shown() { xdotool search --onlyvisible --name "^Quorvane 1.0.0" >/dev/null 2>&1; }
icon_docked() { [ -n "$(icon_centre)" ]; }
# The docked icon's centre: a window of ours inside trayer's panel, from its size and absolute
# position ("22x30+0+0  +1001+1").
icon_centre() {
  xwininfo -root -tree | awk 'panel && match($0, /[^ ]/) <= panel { panel = 0 }
    /\("panel" "trayer"\)/ { panel = match($0, /[^ ]/) }
    panel && /\("quorvane-gui" "Quorvane"\)/ { split($(NF-1), s, /[x+]/); split($NF, a, "+");
    print int(a[2] + s[1] / 2), int(a[3] + s[2] / 2); exit }'
}
line_of() { sed -n "$2p" "$1" | tr -d '\r'; }

ip link set lo up
echo "127.0.0.1 localhost api.ipify.org myip.dnsomatic.com checkip.dyndns.org" >"$out/hosts"
mount --bind "$out/hosts" /etc/hosts
python3 "$here/../support/servers/test_server.py" --port 80 --body 198.51.100.23 >"$out/echo.port" &
export XDG_DATA_HOME="$out/data" XDG_RUNTIME_DIR="$out/run" DISPLAY=:77
mkdir -p "$out/run" && chmod 700 "$out/run"
data="$XDG_DATA_HOME/Quorvane"
# The display's socket folder is the namespace's own, so display :77 never meets another X server. A
# machine that never ran X has no such folder to mount over: make it first, as an X server would.
[ -d /tmp/.X11-unix ] || mkdir -m 1777 /tmp/.X11-unix
mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix
Xvfb :77 -nolock -noreset -screen 0 1280x1024x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
wait_for 10 xwininfo -root >/dev/null 2>&1 || fail "Xvfb did not start"

# 0. No display: one line and status 1 (no abort); an unknown argument: status 64.
status=0; env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$gui" >"$out/nodisplay.log" 2>&1 || status=$?
[ $status -eq 1 ] && grep -q "no graphical display" "$out/nodisplay.log" || fail "no display: status $status"
status=0; "$gui" --bogus >/dev/null 2>&1 || status=$?
[ $status -eq 64 ] || fail "unknown argument: status $status"

# 1. First run on a desktop without a tray: the window stays open and says why. A tray that starts
# later is used. SIGHUP (the terminal closed) saves like SIGTERM.
"$gui" >"$out/run1.log" 2>&1 &
pid=$!
wait_for 20 window_shown || fail "without a tray the window did not open"
xdotool search --onlyvisible --name "no system tray" >/dev/null || fail "the title does not say there is no tray"
grep -q "First run under new user account" "$data/ipchange.log" || fail "no first-run line"
trayer --edge top --align right --widthtype request --height 32 --transparent true --alpha 0 \
  >"$out/trayer.log" 2>&1 &
wait_for 10 icon_docked || fail "a tray that started later was not used"
! xdotool search --onlyvisible --name "no system tray" >/dev/null || fail "the title still says there is no tray"
kill -HUP $pid && wait $pid || fail "SIGHUP did not end the program cleanly"
[ "$(line_of "$data/config.txt" 15)" = "http://api.ipify.org/" ] || fail "settings not saved at SIGTERM"
[ "$(line_of "$data/ip.txt" 1)" = "198.51.100.23" ] || fail "the echo server's address was not taken"

# A stop during the splash, before the settings were read, must not save empty fields over them.
cp "$data/config.txt" "$out/config.before"
"$gui" >"$out/early-stop.log" 2>&1 &
pid=$!
sleep 0.7
kill -TERM $pid && wait $pid || fail "SIGTERM during the splash did not end the program cleanly"
cmp -s "$data/config.txt" "$out/config.before" || fail "a stop during the splash changed config.txt"

# 2. With a tray host: only the icon shows; a click on it opens the window.
# Dynamic DNS fields on for the screenshots, last update today (so none is due).
sed -i -e "1s/.*/ 1 \r/" -e "14s|.*|$(date +%-m/%-d/%Y)\r|" "$data/config.txt"
"$gui" >"$out/run2.log" 2>&1 &
pid=$!
wait_for 20 icon_docked || fail "the icon did not dock in the tray"
sleep 0.5
! window_shown || fail "the window opened although the tray icon is there"
# A second copy shows the running one's window and ends.
"$gui" >"$out/second.log" 2>&1 || fail "the second copy failed"
grep -q "already running" "$out/second.log" || fail "the second copy did not find the first"
wait_for 5 window_shown || fail "the second copy did not bring up the first one's window"
kill -TERM $pid && wait $pid || fail "SIGTERM did not end the program cleanly"

"$gui" >"$out/run2b.log" 2>&1 &
pid=$!
wait_for 20 icon_docked || fail "the icon did not dock in the tray"
sleep 0.5
read -r x y < <(icon_centre)
xdotool mousemove "$x" "$y" click 1
wait_for 5 window_shown || fail "a click on the icon did not open the window"
sleep 0.5
window=$(xdotool search --onlyvisible --name "^Quorvane 1.0.0" | head -1)
import -window "$window" "$out/window-collapsed.png"

# Keyboard: from the check box, Tab reaches "More..." (the service list is one stop).
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
xdotool key --window "$window" Tab Tab space
sleep 1
import -window "$window" "$out/window-expanded.png"
xdotool mousemove "$x" "$y" click 3
sleep 0.7
import -window root -crop 360x220+920+0 +repage "$out/tray-menu.png"
xdotool key Escape

# 3. Typed settings survive the session's end.
xdotool key --window "$window" Tab Tab Tab Tab ctrl+a && xdotool type --window "$window" "37"
sleep 0.3
kill -TERM $pid && wait $pid || fail "SIGTERM did not end the program cleanly"
[ "$(line_of "$data/config.txt" 11)" = "37" ] || fail "the typed interval was not saved: $(line_of "$data/config.txt" 11)"
! icon_docked || fail "the icon stayed after the stop"

# 4. The session ends while an echo service never answers: the check gives up at once, nothing hangs.
python3 "$here/../support/servers/test_server.py" --hang >"$out/hang.port" &
wait_for 5 test -s "$out/hang.port" || fail "the hanging server did not start"
sed -i "15s|.*|http://127.0.0.1:$(head -1 "$out/hang.port")/\r|" "$data/config.txt"
"$gui" >"$out/run3.log" 2>&1 &
pid=$!
wait_for 20 icon_docked || fail "the icon did not dock in the tray"
sleep 1
kill -TERM $pid
stopped_at=$SECONDS
wait $pid || fail "SIGTERM during a hanging check did not end the program cleanly"
[ $((SECONDS - stopped_at)) -le 3 ] || fail "the stop waited $((SECONDS - stopped_at)) s for the hanging check"
[ "$(line_of "$data/config.txt" 11)" = "37" ] || fail "settings lost at a stop during a check"
echo "desktop session: all stories passed; screenshots in $out"

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
now_ms() { date +%s%3N; }
# Runs a command until it succeeds, at most $1 milliseconds.
within_ms() {
  local deadline=$(($(now_ms) + $1)); shift
  until "$@"; do [ "$(now_ms)" -lt $deadline ] || return 1; sleep 0.05; done
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
window_size() { xwininfo -id "$1" | awk -v key="$2:" '$1 == key { print $2 }'; }
size_changed() { [ "$(window_size "$1" Height)" != "$2" ]; }
# A painted window shows text and frames: many colours, where an unpainted one has one or two.
painted() {
  import -window "$1" "$out/painted.png" 2>/dev/null && [ "$(convert "$out/painted.png" -format %k info:)" -gt 50 ]
}
# Starts the program (its log: $1.log) and waits for its icon in the tray.
start_docked() {
  "$gui" >"$out/$1.log" 2>&1 &
  pid=$!
  within_ms 20000 icon_docked || fail "$1: the icon did not dock in the tray"
}

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
within_ms 10000 xwininfo -root >/dev/null 2>&1 || fail "Xvfb did not start"

# 0. No display: one line and status 1 (no abort).
status=0; env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$gui" >"$out/nodisplay.log" 2>&1 || status=$?
[ $status -eq 1 ] && grep -q "no graphical display" "$out/nodisplay.log" || fail "no display: status $status"

# 1. First run on a desktop without a tray: the window stays open and says why. A tray that starts
# later is used. SIGHUP (the terminal closed) saves like SIGTERM.
"$gui" >"$out/run1.log" 2>&1 &
pid=$!
within_ms 20000 window_shown || fail "without a tray the window did not open"
xdotool search --onlyvisible --name "no system tray" >/dev/null || fail "the title does not say there is no tray"
trayer --edge top --align right --widthtype request --height 32 --transparent true --alpha 0 \
  >"$out/trayer.log" 2>&1 &
within_ms 10000 icon_docked || fail "a tray that started later was not used"
! xdotool search --onlyvisible --name "no system tray" >/dev/null || fail "the title still says there is no tray"
kill -HUP $pid && wait $pid || fail "SIGHUP did not end the program cleanly"
[ "$(line_of "$data/config.txt" 15)" = "http://api.ipify.org/" ] || fail "settings not saved at SIGHUP"
[ "$(line_of "$data/ip.txt" 1)" = "198.51.100.23" ] || fail "the echo server's address was not taken"

# 2. With a tray host only the icon shows; a second copy shows the running one's window and ends.
# Dynamic DNS fields on for the screenshots, last update today (so none is due).
sed -i -e "1s/.*/ 1 \r/" -e "14s|.*|$(date +%-m/%-d/%Y)\r|" "$data/config.txt"
start_docked run2
sleep 0.5
! window_shown || fail "the window opened although the tray icon is there"
"$gui" >"$out/second.log" 2>&1 || fail "the second copy failed"
grep -q "already running" "$out/second.log" || fail "the second copy did not find the first"
within_ms 5000 window_shown || fail "the second copy did not bring up the first one's window"
window=$(xdotool search --onlyvisible --name "^Quorvane 1.0.0" | head -1)
sleep 0.5
import -window "$window" "$out/window-collapsed.png"
# Keyboard: from the check box, Tab reaches "More..." (the service list is one stop).
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
xdotool key --window "$window" Tab Tab space
sleep 1
import -window "$window" "$out/window-expanded.png"
read -r x y < <(icon_centre)
xdotool mousemove "$x" "$y" click 3
sleep 0.7
import -window root -crop 360x220+920+0 +repage "$out/tray-menu.png"
xdotool key Escape
kill -TERM $pid && wait $pid || fail "SIGTERM did not end the program cleanly"
! icon_docked || fail "the icon stayed after the stop"

# 3. Every echo page hangs, so the check waits on the network for a minute; the window does not. It
# opens, paints and grows or shrinks at a click on "More..." within a second, throughout; Quit and
# SIGTERM during the check end within two seconds, with what was typed saved.
python3 "$here/../support/servers/test_server.py" --hang --log "$out/hang.log" >"$out/hang.port" &
within_ms 5000 test -s "$out/hang.port" || fail "the hanging server did not start"
hang="http://127.0.0.1:$(head -1 "$out/hang.port")"
sed -i '15,$d' "$data/config.txt" && printf '%s/1\r\n%s/2\r\n%s/3\r\n' "$hang" "$hang" "$hang" >>"$data/config.txt"
requests() { wc -l <"$out/hang.log" 2>/dev/null || echo 0; }
more_requests() { [ "$(requests)" -gt "$1" ]; }
# Starts the program ($1: the run), waits for its check to hang and opens the window from the icon.
open_during_hanging_check() {
  local before; before=$(requests)
  start_docked "$1"
  within_ms 5000 more_requests "$before" || fail "$1: the check did not reach the hanging echo page"
  read -r x y < <(icon_centre)
  xdotool mousemove "$x" "$y" click 1
  within_ms 1000 window_shown || fail "$1: during a hanging check the window did not open within a second"
  window=$(xdotool search --onlyvisible --name "^Quorvane 1.0.0" | head -1)
}
# After the stop $1: the program ends within two seconds, with the interval $2 saved.
ends_saving() {
  local stopped_at; stopped_at=$(now_ms)
  wait $pid || fail "$1 during a hanging check did not end the program cleanly"
  [ $(($(now_ms) - stopped_at)) -le 2000 ] || fail "$1 waited $(($(now_ms) - stopped_at)) ms for the hanging check"
  [ "$(line_of "$data/config.txt" 11)" = "$2" ] || fail "settings lost at $1 during a check"
}

open_during_hanging_check run3
# "More..." is the top right button; the window is as wide as its content.
more_x=$(($(window_size "$window" Width) - 60))
for round in 1 2 3 4 5 6; do
  before=$(window_size "$window" Height)
  xdotool mousemove --window "$window" "$more_x" 50 click 1
  within_ms 1000 size_changed "$window" "$before" || fail "round $round: More... took over a second to act"
  within_ms 1000 painted "$window" || fail "round $round: the window is not painted"
  sleep 0.5
done
[ "$(requests)" -le 2 ] || fail "the check moved on: the rounds did not all fall inside it"
# From "More...", four Tabs reach the interval; then Quit from the tray menu (its "Q" key).
xdotool key --window "$window" Tab Tab Tab Tab ctrl+a && xdotool type --window "$window" "38"
sleep 0.3
xdotool mousemove "$x" "$y" click 3
sleep 0.5
xdotool key q
ends_saving Quit 38

open_during_hanging_check run4
# From the first field (the check box), six Tabs reach the interval.
xdotool key --window "$window" Tab Tab Tab Tab Tab Tab ctrl+a && xdotool type --window "$window" "39"
sleep 0.3
kill -TERM $pid
ends_saving SIGTERM 39
echo "desktop session: all stories passed; screenshots in $out"

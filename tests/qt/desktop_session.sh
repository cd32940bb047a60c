#!/usr/bin/env bash
# quorvane-gui in a desktop session (x_desktop.sh), first without a tray host, then with one; the
# network is loopback alone. Screenshots land in the output folder (docs/ holds copies).
# Usage: desktop_session.sh QUORVANE_GUI OUTPUT_FOLDER. Exit 77: skipped.
set -euo pipefail
gui=$(realpath "$1")
out=$(realpath -m "$2")
here=$(cd "$(dirname "$0")" && pwd)
tray_icon='("quorvane-gui" "Quorvane")'
source "$here/x_desktop.sh"

window_size() { xwininfo -id "$1" | awk -v key="$2:" '$1 == key { print $2 }'; }
size_changed() { [ "$(window_size "$1" Height)" != "$2" ]; }
start_program() { "$gui" >"$out/$1.log" 2>&1 & pid=$!; }

export XDG_DATA_HOME="$out/data" XDG_RUNTIME_DIR="$out/run" XDG_CONFIG_HOME="$out/config"
mkdir -p "$out/run" && chmod 700 "$out/run"
data="$XDG_DATA_HOME/Quorvane"
start_display 77

# 0. No display: one line and status 1 (no abort).
status=0; env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$gui" >"$out/nodisplay.log" 2>&1 || status=$?
[ $status -eq 1 ] && grep -q "no graphical display" "$out/nodisplay.log" || fail "no display: status $status"

# 1. First run on a desktop without a tray: the window stays open and says why. A tray that starts
# later is used. SIGHUP (the terminal closed) saves like SIGTERM.
start_program run1
within 20000 window_shown || fail "without a tray the window did not open"
xdotool search --onlyvisible --name "no system tray" >/dev/null || fail "the title does not say there is no tray"
start_tray
within 10000 icon_docked || fail "a tray that started later was not used"
! xdotool search --onlyvisible --name "no system tray" >/dev/null || fail "the title still says there is no tray"
kill -HUP $pid && wait $pid || fail "SIGHUP did not end the program cleanly"
[ "$(line_of "$data/config.txt" 15)" = "http://api.ipify.org/" ] || fail "settings not saved at SIGHUP"

# 2. Every echo page hangs, so the check waits on the network for a minute; the window does not. It
# opens, paints and grows or shrinks at a click on "More..." within a second, throughout; Quit and
# SIGTERM during the check end within two seconds, with what was typed saved and the icon gone.
# Dynamic DNS fields on for the screenshots, last update today (so none is due).
start_hanging_server
sed -i -e "1s/.*/ 1 \r/" -e "14s|.*|$(date +%-m/%-d/%Y)\r|" -e '15,$d' "$data/config.txt"
printf '%s/1\r\n%s/2\r\n%s/3\r\n' "$hang" "$hang" "$hang" >>"$data/config.txt"
# A second copy shows the running one's window and ends.
second_copy() {
  "$gui" >"$out/second.log" 2>&1 || fail "the second copy failed"
  grep -q "already running" "$out/second.log" || fail "the second copy did not find the first"
}
# After the stop $1: the program ends within two seconds, with the interval $2 saved.
ends_saving() {
  local stopped_at; stopped_at=$(now_ms)
  wait $pid || fail "$1 during a hanging check did not end the program cleanly"
  [ $(($(now_ms) - stopped_at)) -le 2000 ] || fail "$1 waited $(($(now_ms) - stopped_at)) ms for the hanging check"
  [ "$(line_of "$data/config.txt" 11)" = "$2" ] || fail "settings lost at $1 during a check"
  ! icon_docked || fail "the icon stayed after $1"
}

hung_start run2 click_icon 1
sleep 0.5
import -window "$window" "$out/window-collapsed.png"
# "More..." is the top right button; the window is as wide as its content.
more_x=$(($(window_size "$window" Width) - 60))
for round in 1 2 3 4 5 6; do
  before=$(window_size "$window" Height)
  xdotool mousemove --window "$window" "$more_x" 50 click 1
  within 1000 size_changed "$window" "$before" || fail "round $round: More... took over a second to act"
  within 1000 painted "$window" || fail "round $round: the window is not painted"
  sleep 0.5
  [ $round != 1 ] || import -window "$window" "$out/window-expanded.png"
done
[ "$(wc -l <"$out/hang.log")" -le 2 ] || fail "the check moved on: the rounds did not all fall inside it"
# From "More...", four Tabs reach the interval; then Quit from the tray menu (its "Q" key).
xdotool key --window "$window" Tab Tab Tab Tab ctrl+a && xdotool type --window "$window" "38"
sleep 0.3
click_icon 3 && sleep 0.7 && xdotool key l  # Start at Login: the desktop's autostart entry, at once
within 2000 grep -qx "Exec=\"$gui\"" "$out/config/autostart/quorvane-gui.desktop" || fail "no autostart entry"
click_icon 3
sleep 0.7
import -window root -crop 360x220+920+0 +repage "$out/tray-menu.png"
xdotool key q
ends_saving Quit 38

hung_start run3 second_copy
# From the first field (the check box), six Tabs reach the interval.
xdotool key --window "$window" Tab Tab Tab Tab Tab Tab ctrl+a && xdotool type --window "$window" "39"
sleep 0.3
kill -TERM $pid
ends_saving SIGTERM 39
echo "desktop session: all stories passed; screenshots in $out"

#!/usr/bin/env bash
# gui_session.sh QUORVANE_EXE WINTEXT_EXE GUI_TESTS_EXE WINE_PREFIX_TEMPLATE OUTPUT_FOLDER (77: skipped):
# quorvane.exe under Wine in a desktop session (../qt/x_desktop.sh) while its check hangs on a
# loopback echo page. Screenshots land in OUTPUT_FOLDER (docs/ holds copies).
set -euo pipefail
exe=$(realpath "$1") wintext_exe=$(realpath "$2") gui_tests=$(realpath "$3") template=$(realpath -m "$4")
out=$(realpath -m "$5")
here=$(cd "$(dirname "$0")" && pwd)

tools="wine wineserver python3"
tray_icon='("explorer.exe" "explorer.exe")' # Wine's explorer.exe owns every docked icon
source "$here/../qt/x_desktop.sh"
cd "$out"

# wintext ARGS...: the Win32 view of windows and controls (see wintext.cpp) in wintext.txt; Wine's
# output goes to a file, never a pipe.
wintext() { wine "$wintext_exe" "$@" >wintext.txt 2>>wine.log </dev/null; }
menu_open() { wintext --class "#32768" && grep -q "^window 1$" wintext.txt; }
# control FIELD ID: a field of the main window's control with this id (3 centre, 4 text).
control() { wintext "Quorvane 1.0.0" && awk -F'\t' -v id="$2" -v f="$1" '$1 == id { print $f }' wintext.txt; }
control_says() { [ "$(control 4 "$1")" = "$2" ]; }
click_at() { xdotool mousemove "${1%,*}" "${1#*,}" click 1; }
# Replaces the text of a field with typed keys (Ctrl+A does not select all in Wine's edit).
type_into() { click_at "$(control 3 "$1")" && xdotool key End shift+Home BackSpace && xdotool type "$2"; }

# `wine EXE` execs into the program, whose process name (comm) is the exe's.
program_ended() { ! pgrep -x "$(basename "$exe" | cut -c1-15)" >/dev/null; }

start_hanging_server
export HOME=$out WINEPREFIX=$out/prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
start_display 78
[ -f "$template/.ready" ] || sh "$here/../../cmake/wine-run.sh" "$template"
cp -a "$template" "$WINEPREFIX"
# Without a window manager every hide would wait 2 s unless Wine's X11 driver leaves windows unmanaged.
printf '\n[Software\\\\Wine\\\\X11 Driver]\n"Managed"="N"\n' >>"$WINEPREFIX/user.reg"
appdata="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Quorvane"
mkdir -p "$appdata"
printf '1\r\nDynDNS\r\nalice\r\ns3cret\r\nhome.example.org\r\ndyndns\r\nNOCHG\r\nNOCHG\r\nON\r\nNO\r\n5\r\n0\r\n0\r\n%s\r\nhttp://127.0.0.1:%s/\r\n' \
  "$(date +%-m/%-d/%Y)" "$(cat hang.port)" >"$appdata/config.txt"
trap 'wineserver -k 2>/dev/null; true' EXIT
wineserver -p >wine.log 2>&1 </dev/null
wine wineboot >>wine.log 2>&1 </dev/null # Wine's services, before the first story's clock runs
start_tray
wine "$gui_tests" >gui_tests.log 2>&1 </dev/null || { cat gui_tests.log; fail "the front-end tests failed"; }

# --- Stories --- Control ids (wintext): 104 More..., 112 the interval.
start_program() { wine "$exe" >>program.log 2>&1 </dev/null & }

# 1. A click on the icon: the window is painted and "More..." answers within 1 s; "&Quit" ends the
# program within 2 s with the settings saved.
hung_start run1 click_icon 1
import -window "$window" window-collapsed.png
painted "$window" || fail "the window is not painted while the check hangs"
click_at "$(control 3 104)"
within 1000 control_says 104 Less || fail "More... did not answer within 1 s during the check"
import -window "$window" window-expanded.png
type_into 112 23
# Start at Login on and off again (a Run value left behind would start a copy at Wine's next boot).
run_value() { wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v Quorvane 2>/dev/null | grep -q 'exe"'; }
toggle_login() { click_icon 3 && within 3000 menu_open && sleep 0.3 && xdotool key l; }
toggle_login && within 2000 run_value || fail "Start at Login wrote no Run value"
toggle_login && within 2000 eval '! run_value' || fail "Start at Login left its Run value"
{ click_icon 3 && within 3000 menu_open && sleep 0.3; } || fail "no popup menu during the check"
import -window root -crop 360x240+920+0 +repage tray-menu.png
xdotool key q
within 2000 program_ended || fail "&Quit during the check took more than 2 s"
[ "$(line_of "$appdata/config.txt" 11)" = 23 ] || fail "settings not saved at Quit during the check"

# 2. A second start brings up the running copy's window; the end of the Windows session (log off,
# shut down) ends the program within 2 s with the settings saved.
second_copy() { timeout 10 wine "$exe" >second.log 2>&1 </dev/null || fail "the second copy did not end"; }
hung_start run2 second_copy
type_into 112 29
wine wineboot --end-session >>wine.log 2>&1 </dev/null &
within 2000 program_ended || fail "the end of the session during the check took more than 2 s"
[ "$(line_of "$appdata/config.txt" 11)" = 29 ] || fail "settings not saved at the session's end"
echo "Windows desktop session: all stories passed; screenshots in $out"

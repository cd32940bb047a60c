#!/usr/bin/env bash
# gui_session.sh QUORVANE_EXE WINTEXT_EXE GUI_TESTS_EXE WINE_PREFIX_TEMPLATE OUTPUT_FOLDER (77: skipped):
# quorvane.exe under Wine in a desktop session (../qt/x_desktop.sh) while its check hangs on a
# loopback echo page. Screenshots land in OUTPUT_FOLDER (docs/ holds copies).
set -euo pipefail
exe=$(realpath "$1") wintext_exe=$(realpath "$2") gui_tests=$(realpath "$3") template=$(realpath -m "$4")
out=$(realpath -m "$5")
here=$(cd "$(dirname "$0")" && pwd)

tools="wine wineserver python3 xprop"
source "$here/wine_desktop.sh"

# `wine EXE` execs into the program, whose process name (comm) is the exe's.
program_ended() { ! pgrep -x "$(basename "$exe" | cut -c1-15)" >/dev/null; }

serve hang --hang --log "$out/hang.log" && hang=$url  # an echo page that never answers
start_wine_desktop 78
printf '1\r\nDynDNS\r\nalice\r\ns3cret\r\nhome.example.org\r\ndyndns\r\nNOCHG\r\nNOCHG\r\nON\r\nNO\r\n5\r\n0\r\n0\r\n%s\r\nhttp://127.0.0.1:%s/\r\n' \
  "$(date +%-m/%-d/%Y)" "$(cat hang.port)" >"$appdata/config.txt"
wine "$gui_tests" >gui_tests.log 2>&1 </dev/null || { cat gui_tests.log; fail "the front-end tests failed"; }

start_program() { wine "$exe" >>program.log 2>&1 </dev/null & }  # control ids: 104 More..., 112 the interval

# 1. A click on the icon: the window is painted and "More..." answers within 1 s; "&Quit" ends the
# program within 2 s with the settings saved.
hung_start run1 click_icon 1
import -window "$window" window-collapsed.png
painted "$window" || fail "the window is not painted while the check hangs"
click_at "$(control 3 104)"
within 1000 eval '[ "$(control 4 104)" = Less ]' || fail "More... did not answer within 1 s during the check"
import -window "$window" window-expanded.png
type_into 112 23
# Start at Login writes the Run value at once (story 2 removes it: it would start a copy at Wine's next boot).
run_value() { wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v Quorvane 2>/dev/null | grep -q 'exe"'; }
tray_key() { { click_icon 3 && within 3000 class_shown "#32768" && sleep 0.3; } || fail "no popup menu"; [ $# -eq 0 ] || xdotool key "$@"; }
tray_key l && within 2000 run_value || fail "Start at Login wrote no Run value"
tray_key && import -window root -crop 360x240+920+0 +repage tray-menu.png
xdotool key q && within 2000 program_ended || fail "&Quit during the check took more than 2 s"
[ "$(line_of "$appdata/config.txt" 11)" = 23 ] || fail "settings not saved at Quit during the check"

# 2. A second start brings up the running copy's window; the end of the Windows session (log off,
# shut down) ends the program within 2 s with the settings saved.
second_copy() { timeout 10 wine "$exe" >second.log 2>&1 </dev/null || fail "the second copy did not end"; }
hung_start run2 second_copy
# Start at Login's mark, not blank, looks as Notify Me of Problems' (ticked by default); unticking removes it.
tray_key && import -window root -crop 360x240+920+0 +repage tray-menu-restarted.png
mark() { convert tray-menu-restarted.png -crop 14x12+198+"$1" +repage -format '%# %k' info:; }
[ "$(mark 97)" = "$(mark 114)" ] && [ "$(mark 97 | cut -d' ' -f2)" -gt 1 ] || fail "no mark after a restart"
xdotool key l && within 2000 eval '! run_value' || fail "Start at Login left its Run value"
type_into 112 29
wine wineboot --end-session >>wine.log 2>&1 </dev/null &
within 2000 program_ended || fail "the end of the session during the check took more than 2 s"
[ "$(line_of "$appdata/config.txt" 11)" = 29 ] || fail "settings not saved at the session's end"

# 3. Three checks without an address (the echo page's port is closed): one balloon from the icon (notice.png).
sed -i "15s|.*|http://127.0.0.1:1/\r|" "$appdata/config.txt"
start_program && within 20000 icon_docked || fail "run3: the icon did not dock in the tray"
for check in 2 3; do sleep 4 && tray_key c; done
xdotool mousemove 100 800  # away from the icon, whose tip is a tooltip window too
within 15000 class_shown tooltips_class32 || fail "no notice after three checks without an address"
import -window root -crop 760x110+520+0 +repage notice.png
tray_key q && within 2000 program_ended || fail "Quit did not end the program"
sed -i "15s|.*|$hang/\r|" "$appdata/config.txt"

# 4. At 125 % and 150 % (Wine reads the DPI as its server starts): the front-end tests again, and the
# expanded window inside the work area, every caption whole (window-expanded-DPI.png).
for dpi in 120 144; do
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f >>wine.log 2>&1 && wineserver -k
  wineserver -p >>wine.log 2>&1 </dev/null
  wine "$gui_tests" >gui_tests.log 2>&1 </dev/null || { cat gui_tests.log; fail "the front-end tests failed at $dpi dpi"; }
  hung_start "run-$dpi" click_icon 1
  click_at "$(control 3 104)" && within 1000 eval '[ "$(control 4 104)" = Less ]' || fail "More... did not answer at $dpi dpi"
  import -window "$window" "window-expanded-$dpi.png"
  eval "$(xdotool getwindowgeometry --shell "$window")" && [ $((Y + HEIGHT)) -le 900 ] || fail "off the work area"
done
echo "Windows desktop session: all stories passed; screenshots in $out"

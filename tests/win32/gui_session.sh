#!/usr/bin/env bash
# gui_session.sh QUORVANE_EXE WINTEXT_EXE GUI_TESTS_EXE WINE_PREFIX_TEMPLATE OUTPUT_FOLDER (77: skipped):
# quorvane.exe while its check hangs on a loopback echo page, under Wine on a virtual X display with a
# tray host (trayer) in private namespaces. Screenshots land in OUTPUT_FOLDER (docs/ holds copies).
set -euo pipefail
exe=$(realpath "$1") wintext_exe=$(realpath "$2") gui_tests=$(realpath "$3") template=$(realpath -m "$4")
out=$(realpath -m "$5")
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${QV_IN_NAMESPACE:-}" ]; then
  for tool in Xvfb trayer xdotool xwininfo import wine wineserver python3 unshare; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
  done
  unshare -mnpf --mount-proc true 2>/dev/null || { echo "SKIP: no private namespaces here"; exit 77; }
  rm -rf "$out" && mkdir -p "$out"
  QV_IN_NAMESPACE=1 exec unshare -mnpf --mount-proc "$0" "$@"
fi
cd "$out"

fail() { echo "FAIL: $*"; exit 1; }
# within MS COMMAND...: the command succeeds within MS milliseconds from now ($took: how long).
within() {
  local start limit=$(($1 * 1000000)); start=$(date +%s%N); shift
  until "$@"; do [ $(($(date +%s%N) - start)) -lt $limit ] || return 1; sleep 0.05; done
  took=$((($(date +%s%N) - start) / 1000000))
}
wait_for() { within $(($1 * 1000)) "${@:2}"; } # SECONDS COMMAND...
# A window drawn, not blank: several colours, the panels' grey among them.
painted() { convert "$1" -format %c histogram:info: >colours.txt && [ "$(wc -l <colours.txt)" -ge 4 ] &&
  grep -qi "#E0E0E0" colours.txt; }
line_of() { sed -n "$2p" "$1" | tr -d '\r'; }
# A mapped top-level X window with exactly this title (Wine maps only the windows it shows).
window_shown() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
window_id() { xdotool search --onlyvisible --name "^$1\$" | head -1; }
# wintext ARGS...: the Win32 view of windows and controls (see wintext.cpp) in wintext.txt; Wine's
# output goes to a file, never a pipe.
wintext() { wine "$wintext_exe" "$@" >wintext.txt 2>>wine.log </dev/null; }
menu_open() { wintext --class "#32768" && grep -q "^window #32768 1\$" wintext.txt; }
# control FIELD ID: a field of the main window's control with this id (2 enabled, 3 centre, 4 text).
control() { wintext "Quorvane 1.0.0" && awk -F'\t' -v id="$2" -v f="$1" '$1 == id { print $f }' wintext.txt; }
control_says() { [ "$(control 4 "$1")" = "$2" ]; }
click_at() { xdotool mousemove "${1%,*}" "${1#*,}" click 1; }
# Replaces the text of a field with typed keys (Ctrl+A does not select all in Wine's edit).
type_into() { click_at "$(control 3 "$1")" && xdotool key End shift+Home BackSpace && xdotool type "$2"; }

# Wine's explorer.exe owns every docked icon: the first of its windows inside trayer's panel.
# Its centre from size and absolute position ("20x30+0+0  +1259+1").
icon_centre() {
  xwininfo -root -tree | awk 'panel && match($0, /[^ ]/) <= panel { panel = 0 }
    /\("panel" "trayer"\)/ { panel = match($0, /[^ ]/) }
    panel && /\("explorer.exe" "explorer.exe"\)/ { split($(NF-1), s, /[x+]/); split($NF, a, "+");
    print int(a[2] + s[1] / 2), int(a[3] + s[2] / 2); exit }'
}
icon_docked() { [ -n "$(icon_centre)" ]; }
click_icon() { local x y; read -r x y < <(icon_centre); xdotool mousemove "$x" "$y" click "$1"; }
# `wine EXE` execs into the program, whose process name (comm) is the exe's.
program_ended() { ! pgrep -x "$(basename "$exe" | cut -c1-15)" >/dev/null; }

ip link set lo up
python3 "$here/../support/servers/test_server.py" --hang --log hang.log >hang.port 2>hang.err &
wait_for 10 test -s hang.port || fail "the hanging server did not start"
# The display's socket folder is the namespace's own, so display :78 never meets another X server.
export DISPLAY=:78 HOME=$out WINEPREFIX=$out/prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
[ -d /tmp/.X11-unix ] || mkdir -m 1777 /tmp/.X11-unix # a machine that never ran X has none
mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix
Xvfb :78 -nolock -noreset -screen 0 1280x1024x24 -nolisten tcp >xvfb.log 2>&1 &
[ -f "$template/.ready" ] || sh "$here/../../cmake/wine-run.sh" "$template"
cp -a "$template" "$WINEPREFIX"
# Wine does not find its own fonts where fonts-wine puts them; without Marlett captions show letters.
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
# Without a window manager every hide would wait 2 s unless Wine's X11 driver leaves windows unmanaged.
printf '\n[Software\\\\Wine\\\\X11 Driver]\n"Managed"="N"\n' >>"$WINEPREFIX/user.reg"
# The user's folder has a blank in its name, as many have ("C:\users\Ann Lee").
sed -i 's/^\("Local AppData"=.*\)\\\\users\\\\[^\\]*\\\\/\1\\\\users\\\\Ann Lee\\\\/; s/^\("Local AppData"=str(2):"\)%USERPROFILE%/\1C:\\\\users\\\\Ann Lee/' \
  "$WINEPREFIX/user.reg"
appdata="$WINEPREFIX/drive_c/users/Ann Lee/AppData/Local/Quorvane"
mkdir -p "$appdata"
printf '1\r\nDynDNS\r\nalice\r\ns3cret\r\nhome.example.org\r\ndyndns\r\nNOCHG\r\nNOCHG\r\nON\r\nNO\r\n5\r\n0\r\n0\r\n%s\r\nhttp://127.0.0.1:%s/\r\n' \
  "$(date +%-m/%-d/%Y)" "$(cat hang.port)" >"$appdata/config.txt"
trap 'wineserver -k 2>/dev/null; true' EXIT
wineserver -p >wine.log 2>&1 </dev/null
wait_for 10 xwininfo -root >/dev/null 2>&1 || fail "Xvfb did not start"
wine wineboot >>wine.log 2>&1 </dev/null # Wine's services, before the first story's clock runs
trayer --edge top --align right --widthtype request --height 32 --transparent true --alpha 0 &>trayer.log &
wait_for 10 sh -c 'xwininfo -root -tree | grep -q "(\"panel\" \"trayer\")"' || fail "trayer did not start"
wine "$gui_tests" >gui_tests.log 2>&1 </dev/null || { cat gui_tests.log; fail "the front-end tests failed"; }

# --- Stories --- Control ids (wintext): 104 More..., 112 the interval, 126 Check Now.
# hung_start OPENER...: starts the program, whose check then waits on the hanging echo page for
# most of a minute; OPENER asks for the window, which opens within 1 s all the same.
hung_start() {
  wine "$exe" >>program.log 2>&1 </dev/null &
  wait_for 20 icon_docked || fail "the icon did not dock in the tray"
  wait_for 10 test -s hang.log || fail "no check asked the hanging echo page"
  : >hang.log
  "$@"
  within 1000 window_shown "Quorvane 1.0.0" || fail "the window did not open within 1 s during the check"
  [ "$(control 2 126)" = 0 ] || fail "Check Now is enabled: no check is running"
  window=$(window_id "Quorvane 1.0.0")
  xdotool windowfocus --sync "$window"
}

# 1. A click on the icon: the window is painted and "More..." answers within 1 s; "&Quit" ends the
# program within 2 s with the settings saved.
hung_start click_icon 1
import -window "$window" window-collapsed.png
painted window-collapsed.png || fail "the window is not painted while the check hangs"
click_at "$(control 3 104)"
within 1000 control_says 104 Less || fail "More... did not answer within 1 s during the check"
echo "during the check: More... answered in $took ms"
import -window "$window" window-expanded.png
type_into 112 23
{ click_icon 3 && wait_for 3 menu_open && sleep 0.3; } || fail "no popup menu during the check"
import -window root -crop 360x240+920+0 +repage tray-menu.png
xdotool key q
within 2000 program_ended || fail "&Quit during the check took more than 2 s"
echo "during the check: &Quit ended the program in $took ms"
[ "$(line_of "$appdata/config.txt" 11)" = 23 ] || fail "settings not saved at Quit during the check"

# 2. A second start brings up the running copy's window; the end of the Windows session (log off,
# shut down) ends the program within 2 s with the settings saved.
second_copy() { timeout 10 wine "$exe" >second.log 2>&1 </dev/null || fail "the second copy did not end"; }
hung_start second_copy
type_into 112 29
wine wineboot --end-session >>wine.log 2>&1 </dev/null &
within 2000 program_ended || fail "the end of the session during the check took more than 2 s"
echo "during the check: the session's end ended the program in $took ms"
[ "$(line_of "$appdata/config.txt" 11)" = 29 ] || fail "settings not saved at the session's end"
echo "Windows desktop session: all stories passed; screenshots in $out"

#!/usr/bin/env bash
# quorvane.exe in a Windows desktop session: Wine on a virtual X display with a tray host (trayer),
# in private mount, network and PID namespaces. Only loopback: /etc/hosts sends the echo services and
# the update host to local test servers, and the CA bundle also trusts a test CA made here. Wine's TLS
# caches trust per wineserver, so the wineserver starts inside. Everything ends with the namespace.
# Screenshots of the window and the tray menu land in the output folder (docs/ holds copies).
# Usage: gui_session.sh QUORVANE_EXE WINTEXT_EXE GUI_TESTS_EXE WINE_PREFIX_TEMPLATE OUTPUT_FOLDER.
# Exit 77: skipped.
set -euo pipefail
exe=$(realpath "$1") wintext_exe=$(realpath "$2") gui_tests=$(realpath "$3") template=$(realpath -m "$4")
out=$(realpath -m "$5")
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${QV_IN_NAMESPACE:-}" ]; then
  for tool in Xvfb trayer xdotool xwininfo import wine wineserver openssl python3 unshare; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
  done
  unshare -mnpf --mount-proc true 2>/dev/null || { echo "SKIP: no private namespaces here"; exit 77; }
  rm -rf "$out" && mkdir -p "$out"
  QV_IN_NAMESPACE=1 exec unshare -mnpf --mount-proc "$0" "$@"
fi
cd "$out"

fail() { echo "FAIL: $*"; exit 1; }
# Waits up to $1 seconds for a command to succeed.
wait_for() {
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do [ $SECONDS -lt $deadline ] || return 1; sleep 0.1; done
}
line_of() { sed -n "$2p" "$1" | tr -d '\r'; }
# A mapped top-level X window with exactly this title (Wine maps only the windows it shows).
window_shown() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
window_id() { xdotool search --onlyvisible --name "^$1\$" | head -1; }
# The Win32 view of windows and controls (see wintext.cpp); Wine's output goes to a file, never a pipe.
wintext() {
  local status=0
  wine "$wintext_exe" "$@" >wintext.txt 2>>wine.log </dev/null || status=$?
  cat wintext.txt
  return $status
}
# wintext_has PATTERN WINTEXT_ARGS...: wintext's output holds a line matching PATTERN.
wintext_has() { local pattern=$1; shift; wintext "$@" >/dev/null; grep -q -- "$pattern" wintext.txt; }
menu_open() { wintext_has "^window #32768 .* 1\$" --class "#32768"; }
# The text of the main window's control with this id.
control_text() { wintext "Quorvane 1.0.0" >/dev/null; awk -F'\t' -v id="$1" '$1 == id { print $6; exit }' wintext.txt; }
click_control() {
  wintext "Quorvane 1.0.0" >/dev/null
  local at; at=$(awk -F'\t' -v id="$1" '$1 == id { print $5; exit }' wintext.txt)
  xdotool mousemove "${at%,*}" "${at#*,}" click 1
}
# Replaces the text of a field with typed keys (Ctrl+A does not select all in Wine's edit).
type_into() { click_control "$1" && xdotool key End shift+Home BackSpace && xdotool type "$2"; }
# Developer mode shows every log line in a message box: Return closes each until the window is up.
close_message_boxes() {
  local deadline=$((SECONDS + 30))
  until window_shown "Quorvane 1.0.0" && ! wintext_has "^window #32770 .* 1\$" --class "#32770"; do
    [ $SECONDS -lt $deadline ] || return 1
    if wintext_has "^window #32770 .* 1\$" --class "#32770"; then xdotool key Return; fi
    sleep 0.3
  done
}
# screenshot WINDOW FILE [CROP]: a window, or with CROP (WxH+X+Y) that region of the whole screen.
screenshot() { if [ $# -gt 2 ]; then import -window root -crop "$3" +repage "$2"; else import -window "$1" "$2"; fi; }

start_tray() {
  trayer --edge top --align right --widthtype request --height 32 --transparent true --alpha 0 >trayer.log 2>&1 &
  wait_for 10 sh -c 'xwininfo -root -tree | grep -q "(\"panel\" \"trayer\")"' || fail "trayer did not start"
}
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

# `wine EXE` execs into the program: $program is its PID, and the process's name (comm) is the exe's.
# shellcheck disable=SC2120,SC2034
start_program() {
  wine "$exe" "$@" >>program.log 2>&1 </dev/null &
  program=$!
}
program_running() { pgrep -x "$(basename "$exe" | cut -c1-15)" >/dev/null; }
program_ended() { ! program_running; }

# The address the echo services answer and the update server's answer, read at each request.
set_address() { echo "$1" >address.new && mv address.new address; }
set_answer() { echo "$1" >answer.new && mv answer.new answer; }

# --- Setup ---
ip link set lo up
. "$here/test_ca.sh"
make_test_ca members.dyndns.org
mount --bind bundle.crt /etc/ssl/certs/ca-certificates.crt
echo "127.0.0.1 localhost api.ipify.org myip.dnsomatic.com checkip.dyndns.org members.dyndns.org" >hosts
mount --bind hosts /etc/hosts

server=$here/../support/servers/test_server.py
set_address 198.51.100.23
set_answer "good 198.51.100.23"
python3 "$server" --port 80 --body-file address --log echo.log >echo.port 2>echo.err &
python3 "$server" --port 443 --cert server.pem --key server.key --body-file answer --record record.txt \
  >update.port 2>update.err &
wait_for 10 test -s echo.port -a -s update.port || fail "the test servers did not start"

# The display's socket folder is the namespace's own, so display :78 never meets another X server.
export DISPLAY=:78 HOME=$out/home WINEPREFIX=$out/prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
mkdir -p "$HOME"
[ -d /tmp/.X11-unix ] || mkdir -m 1777 /tmp/.X11-unix  # a machine that never ran X has none
mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix
Xvfb :78 -nolock -noreset -screen 0 1280x1024x24 -nolisten tcp >xvfb.log 2>&1 &
[ -f "$template/.ready" ] || sh "$here/../../cmake/wine-run.sh" "$template"
cp -a "$template" "$WINEPREFIX"
# Wine's own fonts (Debian's fonts-wine) are not found where the package puts them: without Marlett
# the caption buttons show as letters in the screenshots.
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
# Without a window manager every hide would wait 2 s unless Wine's X11 driver leaves windows unmanaged.
printf '\n[Software\\\\Wine\\\\X11 Driver]\n"Managed"="N"\n' >>"$WINEPREFIX/user.reg"
# The user's folder has a blank in its name, as many have ("C:\users\Ann Lee").
sed -i 's/^\("Local AppData"=.*\)\\\\users\\\\[^\\]*\\\\/\1\\\\users\\\\Ann Lee\\\\/; s/^\("Local AppData"=str(2):"\)%USERPROFILE%/\1C:\\\\users\\\\Ann Lee/' \
  "$WINEPREFIX/user.reg"
appdata="$WINEPREFIX/drive_c/users/Ann Lee/AppData/Local/Quorvane"
trap 'wineserver -k 2>/dev/null; true' EXIT
wineserver -p >wine.log 2>&1 </dev/null
wait_for 10 xwininfo -root >/dev/null 2>&1 || fail "Xvfb did not start"
wine wineboot >>wine.log 2>&1 </dev/null # Wine's services, before the first story's clock runs

# --- Stories ---
# Control ids (wintext): 102 the update check box, 106 More..., 112 the interval, 125 the status line,
# 141 the DDNS log.
wine "$gui_tests" >gui_tests.log 2>&1 </dev/null || { cat gui_tests.log; fail "the front-end tests failed"; }

# 1. First run in developer mode: the splash, then the window, the default settings and the first-run
# line. A typed interval is saved when the window is closed.
start_program -dev
wait_for 20 wintext_has "^window QuorvaneSplash .* 1\$" --class QuorvaneSplash || fail "no splash"
close_message_boxes || fail "the window did not open in developer mode"
! wintext_has "^window QuorvaneSplash .* 1\$" --class QuorvaneSplash || fail "the splash stayed"
grep -q "First run under new user account" "$appdata/ipchange.log" || fail "no first-run line"
[ "$(line_of "$appdata/config.txt" 2)" = "DNS-O-Matic" ] || fail "no default config.txt"
xdotool windowfocus --sync "$(window_id "Quorvane 1.0.0")"
type_into 112 37
xdotool key alt+F4
wait_for 10 program_ended || fail "closing the window did not end the program"
[ "$(line_of "$appdata/config.txt" 11)" = 37 ] || fail "the typed interval was not saved"

# 2. With a tray: only the icon. The address changed since the last run, so the start sends exactly
# one update; a click opens the window, whose status line tells the answer and whose DDNS log shows
# the request.
printf '1\r\nDynDNS\r\nalice\r\ns3cret\r\nhome.example.org\r\ndyndns\r\nNOCHG\r\nNOCHG\r\nON\r\nNO\r\n5\r\n0\r\n0\r\n%s\r\nhttp://api.ipify.org/\r\n' \
  "$(date +%-m/%-d/%Y)" >"$appdata/config.txt"
set_address 203.0.113.9
set_answer "good 203.0.113.9"
start_tray
start_program
wait_for 20 icon_docked || fail "the icon did not dock in the tray"
wait_for 20 test -s record.txt || fail "no update was sent"
sleep 0.5
! window_shown "Quorvane 1.0.0" || fail "the window opened although the icon is there"
click_icon 1
wait_for 5 window_shown "Quorvane 1.0.0" || fail "a click on the icon did not open the window"
[ "$(grep -c "GET /nic/update?system=dyndns&hostname=home.example.org&myip=203.0.113.9" record.txt)" = 1 ] ||
  fail "not exactly one update: $(cat record.txt)"
control_text 125 | grep -q "DDNS Update Success" || fail "status line: $(control_text 125)"
control_text 141 | grep -q "members.dyndns.org/nic/update?.*myip=203.0.113.9" || fail "DDNS log: $(control_text 141)"
window=$(window_id "Quorvane 1.0.0")
screenshot "$window" window-collapsed.png
click_control 106
sleep 0.5
screenshot "$window" window-expanded.png

# 3. "abc" as the interval: leaving the field says so, in a box titled like the window.
xdotool windowfocus --sync "$window"
type_into 112 abc && xdotool key Tab
wait_for 5 wintext_has "Numbers only, please." "Quorvane 1.0.0" || fail "no message for letters in the interval"
xdotool key Return
type_into 112 9

# 4. A second start shows the running copy's window (here hidden by "&Show/Hide") and ends.
click_icon 3 && wait_for 3 menu_open && xdotool key s
wait_for 5 eval '! window_shown "Quorvane 1.0.0"' || fail "Show/Hide did not hide the window"
timeout 10 wine "$exe" >second.log 2>&1 </dev/null || fail "the second copy did not end at once"
wait_for 5 window_shown "Quorvane 1.0.0" || fail "the second copy did not bring up the first one's window"

# 5. "&View Log" opens the log in Notepad although the folder's path has a blank.
click_icon 3 && wait_for 3 menu_open && xdotool key v
wait_for 10 window_shown "ipchange.log - Notepad" || fail "Notepad did not open ipchange.log"
pkill -x notepad.exe || true
sleep 0.3
xdotool windowfocus --sync "$window"  # the keys went to Notepad, which is gone

# 6. The menu; "&Quit" ends the program with the settings saved and the icon gone.
click_icon 3
wait_for 3 menu_open || fail "no popup menu"
sleep 0.3
screenshot root tray-menu.png 360x240+920+0
xdotool key q
wait_for 5 program_ended || fail "&Quit did not end the program"
! icon_docked || fail "the icon stayed after Quit"
[ "$(line_of "$appdata/config.txt" 11)" = 9 ] || fail "settings not saved at Quit"

# 7. The end of the Windows session (log off, shut down) saves what was typed.
start_program
wait_for 20 icon_docked || fail "the icon did not dock in the tray"
click_icon 1
wait_for 5 window_shown "Quorvane 1.0.0" || fail "a click on the icon did not open the window"
xdotool windowfocus --sync "$(window_id "Quorvane 1.0.0")"
type_into 112 41
wine wineboot --end-session >>wine.log 2>&1 </dev/null
wait_for 10 program_ended || fail "the end of the session did not end the program"
[ "$(line_of "$appdata/config.txt" 11)" = 41 ] || fail "settings not saved at the end of the session"
echo "Windows desktop session: all stories passed; screenshots in $out"

#!/usr/bin/env bash
# quorvane-gui on a 1000-px-high screen (x_desktop.sh) under Xfce, driven over D-Bus as its panel does,
# then with trayer and no window manager; the network is loopback alone. Screenshots land in the output
# folder (docs/ holds copies). Usage: desktop_session.sh QUORVANE_GUI OUTPUT_FOLDER. Exit 77: skipped.
set -euo pipefail
gui=$(realpath "$1") out=$(realpath -m "$2")
here=$(cd "$(dirname "$0")" && pwd)
tray_icon='("quorvane-gui" "Quorvane")' screen_size=1280x1000
tools="dbus-launch dbus-monitor gdbus xfwm4 xfce4-panel openssl"
source "$here/x_desktop.sh"

window_size() { xwininfo -id "$1" | awk -v key="$2:" '$1 == key { print $2 }'; }
start_program() { "$gui" >"$out/$1.log" 2>&1 & pid=$!; }
# The program's StatusNotifierItem, as the watcher lists it (":1.8/StatusNotifierItem"), and its menu.
sni_item() {
  gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
    -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems 2>/dev/null |
    grep -o "':[0-9.]*" | tr -d "'"
}
sni_registered() { sni=$(sni_item) && [ -n "$sni" ]; }
activate() { gdbus call --session -d "$sni" -o /StatusNotifierItem -m org.kde.StatusNotifierItem.Activate 0 0; }
# menu_item LABEL: the item's properties as the menu opens; menu_click LABEL: the panel's click on it.
menu_item() {
  gdbus call --session -d "$sni" -o /MenuBar -m com.canonical.dbusmenu.AboutToShow 0 >/dev/null
  gdbus call --session -d "$sni" -o /MenuBar -m com.canonical.dbusmenu.GetLayout 0 1 '[]' |
    grep -o "<([0-9]*, {[^}]*'label': <'$1'>[^}]*}"
}
menu_click() {
  gdbus call --session -d "$sni" -o /MenuBar -m com.canonical.dbusmenu.Event \
    "$(menu_item "$1" | grep -o '[0-9]*' | head -1)" clicked '<0>' 0 >/dev/null
}

export XDG_DATA_HOME="$out/data" XDG_RUNTIME_DIR="$out/run" XDG_CONFIG_HOME="$out/config"
mkdir -p "$out/run" "$out/config/xfce4/xfconf/xfce-perchannel-xml" && chmod 700 "$out/run"
data="$XDG_DATA_HOME/Quorvane" autostart="$out/config/autostart/quorvane-gui.desktop"
start_display 77

# 0. No display: one line and status 1 (no abort).
status=0; env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$gui" >"$out/nodisplay.log" 2>&1 || status=$?
[ $status -eq 1 ] && grep -q "no graphical display" "$out/nodisplay.log" || fail "no display: status $status"

# 1. Xfce, first run, started before the panel (the race at login): the window stays open, says why and
# is as wide as when opened from the tray; the panel that comes later shows the icon by D-Bus.
cp "$here/xfce4-panel.xml" "$out/config/xfce4/xfconf/xfce-perchannel-xml/"  # one panel: the Status Tray
eval "$(dbus-launch --sh-syntax)"
xfwm4 --compositor=off >"$out/xfwm4.log" 2>&1 & wm_pid=$!
start_program run1
within 20000 window_shown || fail "without a tray the window did not open"
xdotool search --onlyvisible --name "no system tray" >/dev/null || fail "the title does not say there is no tray"
no_tray_width=$(window_size "$(window_id)" Width)
xfce4-panel >"$out/panel.log" 2>&1 & panel_pid=$!
within 20000 sni_registered || fail "a StatusNotifier host that came later was not used"
within 5000 sh -c '! xdotool search --onlyvisible --name "no system tray"' || fail "the title still says no tray"
# Every way to hide (the menu's Show/Hide, the title bar's minimize) is undone by every way to show
# (Show/Hide, a click on the icon, a second start), and the window stays shown.
for hide in "menu_click _Show/Hide" "xdotool windowminimize --sync \$(window_id)"; do
  for show in "menu_click _Show/Hide" activate "$gui"; do  # the second copy ends at once
    eval "$hide" && within 5000 eval '! window_shown' || fail "$hide did not hide the window"
    $show >/dev/null 2>&1 && within 5000 window_shown || fail "$show did not show the window after $hide"
    ! within 1500 eval '! window_shown' || fail "$show after $hide: the window hid again"
  done
done
menu_click "Start at _Login"  # the desktop's autostart entry, at once
within 2000 grep -qx "Exec=\"$gui\"" "$autostart" || fail "no autostart entry"
kill -HUP $pid && wait $pid || fail "SIGHUP did not end the program cleanly"  # the terminal closed
[ "$(line_of "$data/config.txt" 15)" = "http://api.ipify.org/" ] || fail "settings not saved at SIGHUP"

# 2. At each scale the expanded window fits the free area and no caption is cut. The update is refused
# ("badauth" from the provider's host, here on loopback with a test CA): one notice, not one per start.
# After the restart Start at Login is still ticked, and unticking it removes the entry.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=members.dyndns.org -keyout "$out/key.pem" \
  -addext subjectAltName=DNS:members.dyndns.org -out "$out/ca.pem" 2>/dev/null
printf '127.0.0.1 localhost members.dyndns.org\n' >"$out/hosts"
mount --bind "$out/hosts" /etc/hosts && mount --bind "$out/ca.pem" /etc/ssl/certs/ca-certificates.crt
serve update --port 443 --body badauth --cert "$out/ca.pem" --key "$out/key.pem"
serve echo --route /ip 200 203.0.113.9
sed -i '1s/.*/1\r/; 2s/.*/DynDNS\r/; 3s/.*/alice\r/; 5s/.*/home.example.org\r/; 15,$d' "$data/config.txt"
printf '%s/ip\r\n' "$url" >>"$data/config.txt"
dbus-monitor --session "interface='org.freedesktop.Notifications',member='Notify'" >"$out/notices.log" 2>&1 &
within 5000 grep -q NameLost "$out/notices.log" || fail "dbus-monitor did not start"  # it listens from then on
for scale in 1 1.25 1.5; do
  within 5000 eval '[ -z "$(sni_item)" ]' || fail "the icon of the copy that ended stayed"
  QT_SCALE_FACTOR=$scale QUORVANE_LAYOUT_REPORT=1 start_program "scale-$scale"
  within 20000 sni_registered && activate >/dev/null && within 5000 window_shown && window=$(window_id) ||
    fail "at $scale: no window"
  if [ $scale = 1 ]; then
    [ "$(window_size "$window" Width)" = "$no_tray_width" ] || fail "the window was $no_tray_width px wide"
    within 20000 grep -q "could not be updated for home.example.org" "$out/notices.log" || fail "no notice"
    within 5000 sh -c 'xwininfo -root -tree | grep -q "(\"xfce4-notifyd\""' || fail "the notice did not show"
    sleep 0.5 && import -window root -crop 440x200+840+0 +repage "$out/notice.png"
    menu_item "Start at _Login" | grep -q "'toggle-state': <1>" || fail "Start at Login unticked by a restart"
    menu_click "Start at _Login" && within 2000 test ! -e "$autostart" || fail "the autostart entry stayed"
  fi
  xdotool mousemove --window "$window" $(awk -v w="$(window_size "$window" Width)" -v s=$scale \
    'BEGIN { print int(w - 60 * s), int(50 * s) }') click 1  # "More...", the top right button
  within 5000 grep -q "^layout:" "$out/scale-$scale.log" || fail "at $scale More... did not act"
  sleep 0.5 && import -window root "$out/expanded-$scale.png"
  grep "^layout:" "$out/scale-$scale.log" | awk -F '[ ,:]+' '{ exit !($3 >= $9 && $4 >= $10 &&
    $3 + $5 <= $9 + $11 && $4 + $6 <= $10 + $12 && $14 == "") }' || fail "$(grep ^layout: "$out"/scale-$scale.log)"
  menu_click _Quit && wait $pid || fail "Quit at $scale did not end the program cleanly"
done
[ "$(grep -c "member=Notify" "$out/notices.log")" = 1 ] || fail "not one notice: $(cat "$out/notices.log")"
kill $panel_pid $wm_pid && wait $panel_pid $wm_pid || true

# 3. Every echo page hangs, so the check waits on the network for a minute; the window does not. It opens,
# paints and grows or shrinks at a click on "More..." within a second, throughout; Quit during the check
# ends within two seconds, what was typed saved, the icon gone. Dynamic DNS fields on, none due.
serve hang --hang --log "$out/hang.log" && hang=$url  # an echo page that never answers
sed -i -e "1s/.*/ 1 \r/" -e "14s|.*|$(date +%-m/%-d/%Y)\r|" -e '15,$d' "$data/config.txt"
printf '%s/1\r\n%s/2\r\n%s/3\r\n' "$hang" "$hang" "$hang" >>"$data/config.txt"

start_tray
hung_start run2 click_icon 1
sleep 0.5 && import -window "$window" "$out/window-collapsed.png"
for round in 1 2 3 4 5 6; do  # "More..." is the top right button; the window is as wide as its content
  before=$(window_size "$window" Height)
  xdotool mousemove --window "$window" $(($(window_size "$window" Width) - 60)) 50 click 1
  within 1000 eval '[ "$(window_size "$window" Height)" != "$before" ]' ||
    fail "round $round: More... took over a second to act"
  within 1000 painted "$window" || fail "round $round: the window is not painted"
  sleep 0.5; [ $round != 1 ] || import -window "$window" "$out/window-expanded.png"
done
[ "$(wc -l <"$out/hang.log")" -le 2 ] || fail "the check moved on: the rounds did not all fall inside it"
# From "More...", four Tabs reach the interval; then Quit from the tray menu (its "Q" key).
xdotool key --window "$window" Tab Tab Tab Tab ctrl+a && xdotool type --window "$window" "38"
sleep 0.3 && click_icon 3
sleep 0.7 && import -window root -crop 360x220+920+0 +repage "$out/tray-menu.png"
stopped_at=$(now_ms) && xdotool key q  # a signal takes the same way
wait $pid || fail "Quit during a hanging check did not end the program cleanly"
[ $(($(now_ms) - stopped_at)) -le 2000 ] || fail "Quit waited $(($(now_ms) - stopped_at)) ms for the hanging check"
[ "$(line_of "$data/config.txt" 11)" = 38 ] || fail "settings lost at Quit during a check"
! icon_docked || fail "the icon stayed after Quit"
echo "desktop session: all stories passed; screenshots in $out"

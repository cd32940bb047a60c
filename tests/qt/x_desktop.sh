# Sourced by the desktop sessions after they set out, tools (needed beyond X), tray_icon (the docked icon's
# class in xwininfo) and maybe screen_size. The caller runs again in private mount, network and PID
# namespaces (77: skipped without them), so all it starts ends with it.
if [ -z "${QV_IN_NAMESPACE:-}" ]; then
  for tool in Xvfb trayer xdotool xwininfo import unshare ${tools:-}; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
  done
  unshare -mnpf --mount-proc true 2>/dev/null || { echo "SKIP: no private namespaces here"; exit 77; }
  rm -rf "$out" && mkdir -p "$out"
  QV_IN_NAMESPACE=1 exec unshare -mnpf --mount-proc "$0" "$@"
fi
ip link set lo up

fail() { echo "FAIL: $*"; exit 1; }
now_ms() { date +%s%3N; }
# within MS COMMAND...: the command succeeds within MS milliseconds from now.
within() {
  local deadline=$(($(now_ms) + $1)); shift
  until "$@"; do [ "$(now_ms)" -lt $deadline ] || return 1; sleep 0.05; done
}
# Display :$1 on the namespace's own X socket folder (made if missing), so it never meets another X server.
start_display() {
  export DISPLAY=:$1
  mkdir -p -m 1777 /tmp/.X11-unix && mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix
  Xvfb "$DISPLAY" -nolock -noreset -screen 0 "${screen_size:-1280x1024}x24" -nolisten tcp >"$out/xvfb.log" 2>&1 &
  within 10000 xwininfo -root >/dev/null 2>&1 || fail "Xvfb did not start"
}
start_tray() {
  trayer --edge top --align right --widthtype request --height 32 --transparent true --alpha 0 >"$out/trayer.log" 2>&1 &
  within 10000 sh -c 'xwininfo -root -tree | grep -q "(\"panel\" \"trayer\")"' || fail "trayer did not start"
}
# The docked icon's centre: the first window of its class inside trayer's panel, from its size and
# absolute position ("22x30+0+0  +1001+1").
icon_centre() {
  xwininfo -root -tree | awk -v icon="$tray_icon" 'panel && match($0, /[^ ]/) <= panel { panel = 0 }
    /\("panel" "trayer"\)/ { panel = match($0, /[^ ]/) }
    panel && index($0, icon) { split($(NF-1), s, /[x+]/); split($NF, a, "+");
    print int(a[2] + s[1] / 2), int(a[3] + s[2] / 2); exit }'
}
icon_docked() { [ -n "$(icon_centre)" ]; }
click_icon() { local x y; read -r x y < <(icon_centre) && xdotool mousemove "$x" "$y" click "$1"; }
# The main window, mapped (both programs map only the windows they show).
window_shown() { xdotool search --onlyvisible --name "^Quorvane 1.0.0" >/dev/null 2>&1; }
window_id() { xdotool search --onlyvisible --name "^Quorvane 1.0.0" | head -1; }
# A window drawn, not blank: several colours, the panels' grey among them.
painted() {
  import -window "$1" png:- 2>/dev/null | convert - -format %c histogram:info: >"$out/colours.txt" &&
    [ "$(wc -l <"$out/colours.txt")" -ge 4 ] && grep -qi "#E0E0E0" "$out/colours.txt"
}
line_of() { sed -n "$2p" "$1" | tr -d '\r'; }
# serve NAME OPTIONS...: ../support/servers/test_server.py in the background; its URL in $url once it listens.
serve() {
  python3 "$(dirname "${BASH_SOURCE[0]}")/../support/servers/test_server.py" "${@:2}" >"$out/$1.port" &
  within 10000 test -s "$out/$1.port" || fail "the $1 server did not start"
  url="http://127.0.0.1:$(head -1 "$out/$1.port")"
}
# hung_start RUN OPENER...: start_program RUN, then its icon and its check hanging (a line in hang.log);
# OPENER asks for the window, which opens within 1 s and takes the keyboard.
hung_start() {
  : >"$out/hang.log"
  start_program "$1"
  within 20000 icon_docked || fail "$1: the icon did not dock in the tray"
  within 10000 test -s "$out/hang.log" || fail "$1: the check did not reach the hanging echo page"
  ! window_shown || fail "$1: the window opened although the tray icon is there"
  "${@:2}"
  within 1000 window_shown || fail "$1: during the hanging check the window did not open within a second"
  window=$(window_id) && xdotool windowfocus --sync "$window"
}

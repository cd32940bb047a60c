#!/bin/bash
# quorvane.exe at rest in a system tray, under Wine. Prints
#   - the stripped size of the exe and the DLLs it imports (system DLLs only is the goal);
#   - resident memory (VmRSS) of its Wine process once the icon is docked, and at the end;
#   - wake-ups: voluntary + involuntary context switches of all the process's threads over an idle
#     period (default 120 s), per thread and in total; for comparison also those of the wineserver
#     (with its rate before the program started) and of Wine's explorer.exe (which hosts the tray
#     icons): both work for every Windows program.
# Runs as root in private mount, network and PID namespaces (only lo; /etc/hosts sends the echo
# services to a loopback echo server), on Xvfb with trayer and a copy of the Wine prefix template.
# No thresholds: figures only.
# usage: bench/win32_gui_idle.sh [EXE [SECONDS]]   (EXE: build-win/quorvane.exe;
#        QUORVANE_WINEPREFIX overrides the template build-win/wineprefix)
set -eu
cd "$(dirname "$0")/.."
EXE=$(realpath "${1:-build-win/quorvane.exe}")
PERIOD=${2:-120}
SETTLE=5
TEMPLATE=$(realpath -m "${QUORVANE_WINEPREFIX:-build-win/wineprefix}")
[ -f "$EXE" ] || { echo "win32_gui_idle: $EXE not built" >&2; exit 1; }

if [ -z "${QUORVANE_BENCH_NS:-}" ]; then
  STRIPPED=$(mktemp)
  x86_64-w64-mingw32-strip -o "$STRIPPED" "$EXE"
  echo "$(basename "$EXE"): $(stat -c %s "$EXE") bytes, stripped $(stat -c %s "$STRIPPED") bytes ($(
    awk -v b="$(stat -c %s "$STRIPPED")" 'BEGIN { printf "%.2f MiB", b / 1048576 }'))"
  rm -f "$STRIPPED"
  echo "imported DLLs: $(x86_64-w64-mingw32-objdump -p "$EXE" | awk '/DLL Name:/ { printf "%s ", $3 }')"
  for tool in Xvfb trayer xwininfo wine wineserver unshare; do
    command -v "$tool" >/dev/null || { echo "win32_gui_idle: $tool is not installed; idle figures skipped"; exit 0; }
  done
  if ! unshare -mnpf --mount-proc true 2>/dev/null; then
    echo "win32_gui_idle: cannot create private namespaces (needs unshare and root); idle figures skipped"
    exit 0
  fi
  exec env QUORVANE_BENCH_NS=1 unshare -mnpf --mount-proc "$0" "$EXE" "$PERIOD"
fi

ip link set lo up
TMP=$(mktemp -d)
trap 'wineserver -k 2>/dev/null; rm -rf "$TMP"' EXIT
trap 'exit 1' INT TERM
wait_for() {  # wait_for SECONDS WHAT COMMAND...: poll until COMMAND succeeds
  local end=$((SECONDS + $1)) what=$2; shift 2
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $end ] || { echo "win32_gui_idle: no $what" >&2; exit 1; }
    sleep 0.05
  done
}
echo "127.0.0.1 localhost api.ipify.org myip.dnsomatic.com checkip.dyndns.org" >"$TMP/hosts"
mount --bind "$TMP/hosts" /etc/hosts
python3 tests/support/servers/test_server.py --port 80 --body 198.51.100.23 >"$TMP/port" 2>"$TMP/server.err" &
wait_for 5 "echo server" test -s "$TMP/port"

export DISPLAY=:78 HOME=$TMP/home WINEPREFIX=$TMP/prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
mkdir -p "$HOME"
mount -t tmpfs tmpfs /tmp/.X11-unix  # the namespace's own display sockets
Xvfb :78 -nolock -noreset -screen 0 1024x768x24 -nolisten tcp >"$TMP/xvfb.log" 2>&1 &
[ -f "$TEMPLATE/.ready" ] || sh cmake/wine-run.sh "$TEMPLATE"
cp -a "$TEMPLATE" "$WINEPREFIX"
printf '\n[Software\\\\Wine\\\\X11 Driver]\n"Managed"="N"\n' >>"$WINEPREFIX/user.reg"
wineserver -p >"$TMP/wine.log" 2>&1 </dev/null
wait_for 10 "X server" xwininfo -root
wine wineboot >>"$TMP/wine.log" 2>&1 </dev/null
trayer --edge top --align right --widthtype request --height 32 --transparent true --alpha 0 >/dev/null 2>&1 &
wait_for 10 "trayer panel" sh -c 'xwininfo -root -tree | grep -q "(\"panel\" \"trayer\")"'

# The wineserver switches dozens of times a second even with no client at all (measured with Wine 8):
# its rate before the program starts is the baseline for the figures below.
SERVER=$(pgrep -x wineserver64 || pgrep -x wineserver)
server_switches() { awk '/^voluntary/ { v = $2 } /^nonvoluntary/ { n = $2 } END { print v + n }' /proc/$SERVER/status; }
BASE=$(server_switches)
sleep $SETTLE
echo "wineserver before the program starts: $(($(server_switches) - BASE)) switches in $SETTLE s"

# Wine's explorer.exe owns the docked icons: a window of it anywhere below trayer's panel.
docked() {
  xwininfo -root -tree | awk '{ match($0, /^ */); ind = RLENGTH }
    inpanel && ind <= pind && /0x/ { inpanel = 0 }
    /\("panel" "trayer"\)/ { inpanel = 1; pind = ind; next }
    inpanel && /\("explorer.exe" "explorer.exe"\)/ { found = 1 } END { exit !found }'
}
T0=${EPOCHREALTIME/./}
wine "$EXE" >"$TMP/program.log" 2>&1 </dev/null &
G=$!  # wine execs into the program: this is its process, named after the exe
wait_for 30 "tray icon" docked
echo "process start to icon docked: $(((${EPOCHREALTIME/./} - T0) / 1000)) ms (Wine's desktop process starts too)"
NAME=$(cat /proc/$G/comm)

rss() { awk '/^VmRSS/ { printf "%.1f MiB", $2 / 1024 }' /proc/$1/status; }
switches() {  # process, tid, comm, voluntary and involuntary switches, for every thread of the processes
  local p
  for p in "$@"; do
    for t in /proc/$p/task/*; do
      awk -v p="$(cat /proc/$p/comm)" -v tid="${t##*/}" -v comm="$(tr ' ' _ <"$t/comm")" \
        '/^voluntary/ { v = $2 } /^nonvoluntary/ { n = $2 } END { print p, tid, comm, v, n }' "$t/status" || true
    done
  done 2>/dev/null
}
WINE_PIDS="$SERVER $(pgrep -x explorer.exe)"
sleep $SETTLE
echo "idle RSS of $NAME $SETTLE s after the icon: $(rss $G)"
switches $G $WINE_PIDS >"$TMP/before"
sleep "$PERIOD"
switches $G $WINE_PIDS >"$TMP/after"
kill -0 $G 2>/dev/null || { echo "win32_gui_idle: $NAME ended during the period" >&2; exit 1; }
echo "idle RSS of $NAME after $PERIOD s more: $(rss $G)"
echo "wake-ups (context switches) over $PERIOD s, per thread:"
awk -v period="$PERIOD" '
  NR == FNR { vol[$2] = $4; inv[$2] = $5; next }
  { v = $4 - vol[$2]; n = $5 - inv[$2]; sum[$1] += v + n; if (!($1 in order)) order[$1] = ++procs
    printf "  %-14s %-7s %-16s %5d (%d voluntary, %d involuntary)%s\n", $1, $2, $3, v + n, v, n,
      ($2 in vol) ? "" : "  new thread"; delete vol[$2] }
  END { for (t in vol) printf "  %-7s thread ended during the period (its switches are not counted)\n", t
        for (p in order) printf "  total %-14s %5d, %.1f per minute\n", p, sum[p], sum[p] * 60 / period }' \
  "$TMP/before" "$TMP/after"
if [ -s "$TMP/program.log" ]; then echo "$NAME output:"; sed 's/^/  /' "$TMP/program.log"; fi

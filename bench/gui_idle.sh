#!/bin/bash
# quorvane-gui at rest in a system tray. A tray utility runs all day, so what it costs while idle
# matters more than anything it does once: prints
#   - start to tray icon: from the moment the splash closes (and from process start) until the icon is
#     docked in the tray, polled with xwininfo about every 10 ms;
#   - resident memory (VmRSS) once startup has settled and again at the end;
#   - wake-ups: voluntary + involuntary context switches of all threads over an idle period (default
#     120 s), in total, per thread and per minute. The only expected wake-up is the one-minute timer.
# Runs as root inside a private network namespace (only lo), with a loopback IP-echo server in
# config.txt, fresh data/runtime folders, Xvfb and trayer. No thresholds: figures only.
# usage: bench/gui_idle.sh [SECONDS]   (QUORVANE_GUI=path overrides build/quorvane-gui)
set -eu
cd "$(dirname "$0")/.."
PERIOD=${1:-120}
SETTLE=5
if [ -z "${QUORVANE_BENCH_NETNS:-}" ]; then
  if ! command -v unshare >/dev/null || ! unshare -n true 2>/dev/null; then
    echo "gui_idle: cannot create a private network namespace (needs unshare and root); skipped"
    exit 0
  fi
  exec env QUORVANE_BENCH_NETNS=1 unshare -n "$0" "$@"
fi
GUI=$(realpath "${QUORVANE_GUI:-build/quorvane-gui}")
[ -x "$GUI" ] || { echo "gui_idle: $GUI not built" >&2; exit 1; }
ip link set lo up
TMP=$(mktemp -d)
PIDS=()
cleanup() {
  for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do kill "${PIDS[i]}" 2>/dev/null || true; done
  for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$TMP"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
ms() { echo $(( (${EPOCHREALTIME/./} - $1) / 1000 )); }  # milliseconds since a microsecond stamp
wait_for() {  # wait_for SECONDS WHAT COMMAND...: poll until COMMAND succeeds
  local end=$((SECONDS + $1)) what=$2; shift 2
  until "$@" 2>/dev/null; do
    [ $SECONDS -lt $end ] || { echo "gui_idle: no $what" >&2; exit 1; }
    sleep 0.05
  done
}

python3 tests/support/servers/test_server.py --body 198.51.100.23 >"$TMP/port" 2>"$TMP/server.err" &
PIDS+=($!)
wait_for 5 "echo server" test -s "$TMP/port"
PORT=$(head -1 "$TMP/port")
export XDG_DATA_HOME="$TMP/data" XDG_RUNTIME_DIR="$TMP/run" HOME="$TMP"
mkdir -p "$XDG_DATA_HOME/Quorvane" && mkdir -m 700 "$XDG_RUNTIME_DIR"
printf '%s\r\n' " 0 " "DNS-O-Matic" "" "" "" "" NOCHG NOCHG ON NO 5 " 0 " " 0 " 1/1/2014 \
  "http://127.0.0.1:$PORT/" >"$XDG_DATA_HOME/Quorvane/config.txt"

N=90
while [ -e /tmp/.X$N-lock ] || [ -e /tmp/.X11-unix/X$N ]; do N=$((N + 1)); done
export DISPLAY=:$N
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >"$TMP/xvfb.log" 2>&1 &
PIDS+=($!)
wait_for 10 "X server on $DISPLAY" xdpyinfo >/dev/null
trayer --edge top --align right --widthtype request --height 32 --transparent true --alpha 0 >/dev/null 2>&1 &
PIDS+=($!)
wait_for 10 "trayer panel" sh -c 'xwininfo -root -tree | grep -q "(\"panel\" \"trayer\")"'

# One look at the window tree: S when the splash (a top-level of ours, about 525x176) exists, I when
# our icon window sits anywhere below trayer's panel window.
look() {
  xwininfo -root -tree | awk '
    { match($0, /^ */); ind = RLENGTH }
    inpanel && ind <= pind && /0x/ { inpanel = 0 }
    /"panel": \("panel" "trayer"\)/ { inpanel = 1; pind = ind; next }
    inpanel && /"Quorvane": \("quorvane-gui" "Quorvane"\)/ { icon = 1 }
    !inpanel && /\("quorvane-gui" "Quorvane"\)/ && match($0, /[0-9]+x[0-9]+\+/) {
      split(substr($0, RSTART, RLENGTH - 1), wh, "x")
      if (wh[1] >= 450 && wh[1] <= 600 && wh[2] >= 150 && wh[2] <= 200) splash = 1 }
    END { printf "%s%s\n", splash ? "S" : "", icon ? "I" : "" }'
}

T0=${EPOCHREALTIME/./}
"$GUI" >"$TMP/gui.out" 2>"$TMP/gui.err" &
G=$!
PIDS+=($G)
seen="" closed="" icon="" polls=0
while [ -z "$closed" ] || [ -z "$icon" ]; do
  now=${EPOCHREALTIME/./}
  state=$(look)
  polls=$((polls + 1))
  [[ $state == *S* && -z $seen ]] && seen=$now
  [[ $state != *S* && -n $seen && -z $closed ]] && closed=$now
  [[ $state == *I* && -z $icon ]] && icon=$now
  [ $((now - T0)) -lt 15000000 ] || { echo "gui_idle: splash=${seen:+seen}${closed:+,closed} icon=${icon:-none} after 15 s" >&2; exit 1; }
  kill -0 $G 2>/dev/null || { echo "gui_idle: quorvane-gui ended early:" >&2; cat "$TMP/gui.err" >&2; exit 1; }
  sleep 0.01
done
echo "start to splash: $(((seen - T0) / 1000)) ms; splash shown for $(((closed - seen) / 1000)) ms"
echo "splash closed to icon docked: $(((icon - closed) / 1000)) ms (poll every ~$(($(ms $T0) / polls)) ms)"
echo "process start to icon docked: $(((icon - T0) / 1000)) ms"

rss() { awk '/^VmRSS/ { printf "%.1f MiB (%.1f MB)", $2 / 1024, $2 * 1.024 / 1000 }' /proc/$G/status; }
switches() {  # tid, comm, voluntary and involuntary switches, for every thread
  for t in /proc/$G/task/*; do
    awk -v tid="${t##*/}" -v comm="$(tr ' ' _ <"$t/comm")" \
      '/^voluntary/ { v = $2 } /^nonvoluntary/ { n = $2 } END { print tid, comm, v, n }' "$t/status" || true
  done 2>/dev/null
}
sleep $SETTLE
echo "idle RSS $SETTLE s after the icon: $(rss)"
switches >"$TMP/before"
sleep "$PERIOD"
switches >"$TMP/after"
kill -0 $G 2>/dev/null || { echo "gui_idle: quorvane-gui ended during the period" >&2; exit 1; }
echo "idle RSS after $PERIOD s more: $(rss)"
echo "wake-ups (context switches) over $PERIOD s, per thread:"
awk -v period="$PERIOD" '
  NR == FNR { vol[$1] = $3; inv[$1] = $4; next }
  { v = $3 - vol[$1]; n = $4 - inv[$1]; total += v + n
    printf "  %-7s %-16s %5d (%d voluntary, %d involuntary)%s\n", $1, $2, v + n, v, n,
      ($1 in vol) ? "" : "  new thread"; delete vol[$1] }
  END { for (t in vol) printf "  %-7s thread ended during the period (its switches are not counted)\n", t
        printf "  total %d, %.1f per minute\n", total, total * 60 / period }' "$TMP/before" "$TMP/after"
if [ -s "$TMP/gui.err" ]; then echo "quorvane-gui stderr:"; sed 's/^/  /' "$TMP/gui.err"; fi

#!/bin/sh
# wine-run.sh PREFIX [PROGRAM ARGS...]: runs a Windows program under Wine with quiet, reproducible
# settings, in the Wine prefix PREFIX (made with `wineboot -i` on first use, about 7 s; without a
# program the prefix is only made).
# Wine's own services keep inherited pipes open, so the prefix is set up and the server started here
# with their output in files; a caller that keeps `wineserver -p` running makes each start fast.
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ ! -f "$prefix/.ready" ]; then
  mkdir -p "$prefix"
  (
    flock 9
    if [ ! -f "$prefix/.ready" ]; then
      wineboot -i && wineserver -w && touch "$prefix/.ready"
    fi
  ) 9>"$prefix/.lock" >"$prefix/setup.log" 2>&1 </dev/null
fi
[ $# -eq 0 ] || exec wine "$@"

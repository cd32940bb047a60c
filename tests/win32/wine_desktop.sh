# Sourced by the Windows desktop sessions after they set out, here, tools, template (a Wine prefix) and
# wintext_exe: ../qt/x_desktop.sh, helpers that read and type into the program's windows, start_wine_desktop.
tray_icon='("explorer.exe" "explorer.exe")' # Wine's explorer.exe owns every docked icon
source "$here/../qt/x_desktop.sh"
cd "$out"
export HOME=$out WINEPREFIX=$out/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
user="$WINEPREFIX/drive_c/users/$(id -un)" appdata="$user/AppData/Local/Quorvane"

# wintext ARGS...: windows and controls as wintext.cpp lists them, in wintext.txt (Wine writes to no pipe).
wintext() { wine "$wintext_exe" "$@" >wintext.txt 2>>wine.log </dev/null; }
class_shown() { wintext --class "$1" && grep -q "^window 1$" wintext.txt; }
# control FIELD ID: a field of the main window's control with this id (3 centre, 4 text).
control() { wintext "Quorvane 1.0.0" && awk -F'\t' -v id="$2" -v f="$1" '$1 == id { print $f }' wintext.txt; }
click_at() { xdotool mousemove "${1%,*}" "${1#*,}" click 1; }
# Replaces the text of a field with typed keys (Ctrl+A does not select all in Wine's edit).
type_into() { click_at "$(control 3 "$1")" && xdotool key End shift+Home BackSpace && xdotool type "$2"; }

# start_wine_desktop DISPLAY: Xvfb with a 900-px work area, a copy of the prefix whose X11 driver leaves
# windows unmanaged (without a window manager every hide would wait 2 s), Wine's server and services
# (stopped at the exit), and trayer.
start_wine_desktop() {
  start_display "$1"
  xprop -root -f _NET_WORKAREA 32c -set _NET_WORKAREA 0,0,1280,900
  [ -f "$template/.ready" ] || sh "$here/../../cmake/wine-run.sh" "$template"
  cp -a "$template" "$WINEPREFIX"
  printf '\n[Software\\\\Wine\\\\X11 Driver]\n"Managed"="N"\n' >>"$WINEPREFIX/user.reg"
  mkdir -p "$appdata"
  trap 'wineserver -k 2>/dev/null; true' EXIT
  wineserver -p >wine.log 2>&1 </dev/null
  wine wineboot >>wine.log 2>&1 </dev/null
  start_tray
}

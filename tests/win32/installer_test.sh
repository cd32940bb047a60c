#!/usr/bin/env bash
# installer_test.sh SETUP_EXE WINTEXT_EXE WINE_PREFIX_TEMPLATE OUTPUT_FOLDER (77: skipped): quorvane-setup.exe
# under Wine in a desktop session (../qt/x_desktop.sh): install, upgrade over a running copy, uninstall.
set -euo pipefail
setup=$(realpath "$1") wintext_exe=$(realpath "$2") template=$(realpath -m "$3") out=$(realpath -m "$4")
here=$(cd "$(dirname "$0")" && pwd)
tools="wine wineserver xprop"
source "$here/wine_desktop.sh"

# reg_values KEY: the values under HKCU's ...\CurrentVersion\KEY in reg.txt (false without the key).
reg_values() { wine reg query "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\$1" >reg.txt 2>>wine.log </dev/null; }
run_value() { reg_values Run && grep -q "Quorvane *REG_SZ *\"C:.*\\\\Programs\\\\Quorvane\\\\quorvane.exe\"" reg.txt; }

start_wine_desktop 79
program="$user/AppData/Local/Programs/Quorvane" data=$appdata
shortcut="$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Quorvane.lnk"
# Updates off, an interval of 5 and one echo page on a closed loopback port.
printf '0\r\nDynDNS\r\n\r\n\r\n\r\ndyndns\r\nNOCHG\r\nNOCHG\r\nOFF\r\nNO\r\n5\r\n0\r\n0\r\n\r\nhttp://127.0.0.1:9/\r\n' \
  >"$data/config.txt"

# 1. A silent install: the program and its uninstaller, the shortcut, the Run value, the Uninstall key.
wine "$setup" /S >>wine.log 2>&1 </dev/null || fail "the silent install failed"
[ -f "$program/quorvane.exe" ] && [ -f "$program/uninstall.exe" ] && [ -f "$shortcut" ] && run_value ||
  fail "the install left no program, uninstaller, Start menu shortcut or Run value with the quoted path"
values='Display(Name|Version|Icon)|Publisher|InstallLocation|(Quiet)?UninstallString|EstimatedSize|No(Modify|Repair)'
reg_values 'Uninstall\Quorvane' && [ "$(grep -cE "^ *($values) " reg.txt)" = 10 ] || fail "the Uninstall key lacks values"

# 2. The installed program docks; a silent upgrade stops it orderly (saving the interval typed) and restarts it.
wine "$program/quorvane.exe" >>program.log 2>&1 </dev/null & first=$!
within 20000 icon_docked || fail "the installed program did not dock in the tray"
click_icon 1 && within 2000 window_shown || fail "a click on the icon did not open the window"
xdotool windowfocus --sync "$(window_id)"
type_into 112 17 && [ "$(control 4 112)" = 17 ] || fail "could not type the interval"
wine "$setup" /S >>wine.log 2>&1 </dev/null || fail "the silent upgrade failed"
within 1000 eval "! ps -o stat= -p $first | grep -qv Z" || fail "the old copy still runs after the upgrade"
[ "$(line_of "$data/config.txt" 11)" = 17 ] || fail "the typed interval was not saved at the upgrade"
within 10000 pgrep -x quorvane.exe >/dev/null || fail "the upgrade did not start the program again"

# 3. A silent uninstall stops the program and leaves only the data folder.
wine "$program/uninstall.exe" /S >>wine.log 2>&1 </dev/null || fail "the silent uninstall failed"
within 20000 test ! -e "$program" || fail "the uninstall left $program"
! pgrep -x quorvane.exe >/dev/null || fail "the uninstall left the program running"
[ ! -e "$shortcut" ] && ! run_value && ! reg_values 'Uninstall\Quorvane' || fail "the uninstall left an entry"
[ "$(line_of "$data/config.txt" 11)" = 17 ] || fail "the uninstall did not keep the settings"
echo "Windows installer: all stories passed"

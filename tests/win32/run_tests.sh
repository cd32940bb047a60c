#!/bin/sh
# run_tests.sh TEST_EXE WINE_PREFIX WORK_DIR: the Win32 platform tests under Wine against loopback servers
# in private namespaces that end all it starts, with a copy of WINE_PREFIX (Wine's TLS caches trust per wineserver).
set -eu
if [ -z "${QV_IN_NAMESPACE:-}" ]; then
  unshare -mnpf --mount-proc true 2>/dev/null || { echo "no private namespaces here: Win32 network tests skipped"; exit 77; }
  QV_IN_NAMESPACE=1 exec unshare -mnpf --mount-proc sh "$0" "$@"
fi
exe=$1 template=$2 work=$3
server=$(cd "$(dirname "$0")/../support/servers" && pwd)/test_server.py
rm -rf "$work" && mkdir -p "$work" && cd "$work"
ip link set lo up

# The system's CA bundle also trusts a test CA, which signs the update host's certificate but not the
# stranger's; Wine ignores IP-address SANs, so certificates name hosts that /etc/hosts maps to loopback.
ssl() { openssl req -x509 "$@" -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 >>openssl.log 2>&1; }
ssl -subj /CN=QuorvaneWineTestCA -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign \
  -keyout ca.key -out ca.pem
ssl -subj /CN=update.quorvane.test -addext subjectAltName=DNS:update.quorvane.test -addext basicConstraints=CA:FALSE \
  -addext extendedKeyUsage=serverAuth -CA ca.pem -CAkey ca.key -keyout server.key -out server.pem
ssl -subj /CN=untrusted.quorvane.test -addext subjectAltName=DNS:untrusted.quorvane.test -keyout stranger.key -out stranger.pem
cat /etc/ssl/certs/ca-certificates.crt ca.pem >bundle.crt && mount --bind bundle.crt /etc/ssl/certs/ca-certificates.crt
printf '127.0.0.1 localhost update.quorvane.test hang.quorvane.test\n::1 untrusted.quorvane.test\n' >hosts
mount --bind hosts /etc/hosts

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
trap 'wineserver -k 2>/dev/null; true' EXIT
serve() { name=$1; shift; python3 "$server" "$@" >"$name.port" 2>"$name.log" &
  timeout 10 sh -c "until [ -s $name.port ]; do sleep 0.1; done" || { cat "$name.log"; exit 1; }; }
# /r0 redirects six times before the page, /r1 five times; /ftp leaves the web; /big/N answers N
# bytes; other paths are missing (404).
serve echo --status 404 --route /ip 200 203.0.113.7 --redirect /ftp ftp://127.0.0.1/ip \
  --route /big/65536 200 "$(head -c 65536 /dev/zero | tr '\0' x)" --route /big/65537 200 "$(head -c 65537 /dev/zero | tr '\0' x)" \
  --redirect /r0 /r1 --redirect /r1 /r2 --redirect /r2 /r3 --redirect /r3 /r4 --redirect /r4 /r5 --redirect /r5 /ip
serve update --port 443 --cert server.pem --key server.key --record "$work/record.txt"
serve stranger --host ::1 --port 443 --cert stranger.pem --key stranger.key
serve hang --port 80 --hang

if [ -f "$template/.ready" ]; then cp -a "$template" prefix; fi
wineserver -p >wine.log 2>&1 </dev/null
wine wineboot >>wine.log 2>&1 </dev/null # makes a missing prefix, starts Wine's services
status=0
QV_ECHO="http://127.0.0.1:$(head -n1 echo.port)" QV_RECORD="Z:$work/record.txt" QV_SHORT_DATE=12/6/2026 \
  LC_ALL=en_US.UTF-8 wine "$exe" >en.log 2>&1 || status=1
# German, with the format Windows gives it (Wine's own German data says "d.M.yyyy"); a user's own
# format with quoted text and a two-digit year, which is written with all four digits.
export LC_ALL=de_DE.UTF-8
for case in "dd.MM.yyyy|06.12.2026" "d' de 'M' de 'yy|6 de 12 de 2026"; do
  wine reg add 'HKCU\Control Panel\International' /v sShortDate /d "${case%|*}" /f >>wine.log 2>&1
  QV_SHORT_DATE=${case#*|} wine "$exe" --gtest_filter='Win32DateTest.*' >>de.log 2>&1 || status=1
done
cat en.log de.log
exit $status

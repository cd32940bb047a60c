#!/bin/sh
# run_tests.sh TEST_EXE WINE_PREFIX WORK_DIR: runs the Win32 platform tests under Wine against the
# loopback test servers, in a private mount + network namespace where /etc/hosts maps the test host
# names to loopback and the CA bundle also trusts a test CA made here. Wine's TLS reads that bundle
# and caches trust per wineserver, so the tests get a copy of WINE_PREFIX and their own server inside.
set -eu
if [ -z "${QV_IN_NAMESPACE:-}" ]; then
  unshare -mn true 2>/dev/null || { echo "no private namespaces here: Win32 network tests skipped"; exit 77; }
  QV_IN_NAMESPACE=1 exec unshare -mn sh "$0" "$@"
fi
exe=$1 template=$2 work=$3
server=$(cd "$(dirname "$0")/../support/servers" && pwd)/test_server.py
rm -rf "$work" && mkdir -p "$work" && cd "$work"
ip link set lo up

. "$(dirname "$server")/../../win32/test_ca.sh"
make_test_ca update.quorvane.test
openssl req -x509 $key -subj /CN=untrusted.quorvane.test -addext subjectAltName=DNS:untrusted.quorvane.test \
  -keyout stranger.key -out stranger.pem >>openssl.log 2>&1
mount --bind bundle.crt /etc/ssl/certs/ca-certificates.crt
printf '127.0.0.1 localhost update.quorvane.test hang.quorvane.test\n::1 untrusted.quorvane.test\n' >hosts
mount --bind hosts /etc/hosts

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
pids=""
trap 'kill $pids 2>/dev/null; wineserver -k 2>/dev/null; true' EXIT
serve() {
  name=$1
  shift
  python3 "$@" >"$name.port" 2>"$name.log" &
  pids="$pids $!"
}
# /r0 redirects six times before the page, /r1 five times; /ftp leaves the web.
# Unrouted paths are missing (404); /big/N answers N bytes.
serve echo "$server" --status 404 --route /ip 200 203.0.113.7 --redirect /ftp ftp://127.0.0.1/ip \
  --route /big/65536 200 "$(head -c 65536 /dev/zero | tr '\0' x)" --route /big/65537 200 "$(head -c 65537 /dev/zero | tr '\0' x)" \
  --redirect /r0 /r1 --redirect /r1 /r2 --redirect /r2 /r3 --redirect /r3 /r4 --redirect /r4 /r5 --redirect /r5 /ip
serve update "$server" --port 443 --cert server.pem --key server.key --record "$work/record.txt"
serve stranger "$server" --host ::1 --port 443 --cert stranger.pem --key stranger.key
serve hang "$server" --port 80 --hang
for name in echo update stranger hang; do
  tries=0
  until [ -s "$name.port" ]; do
    tries=$((tries + 1))
    [ $tries -lt 100 ] || { echo "test server $name did not start:"; cat "$name.log"; exit 1; }
    sleep 0.1
  done
done

if [ -f "$template/.ready" ]; then cp -a "$template" prefix; fi
wineserver -p >wine.log 2>&1 </dev/null
wine wineboot >>wine.log 2>&1 </dev/null # makes a missing prefix, starts Wine's services
status=0
QV_ECHO="http://127.0.0.1:$(head -n1 echo.port)" QV_RECORD="Z:$work/record.txt" QV_SHORT_DATE=12/6/2026 \
  LC_ALL=en_US.UTF-8 wine "$exe" >en.log 2>&1 || status=1
# German, with the format Windows gives it (Wine's own German data says "d.M.yyyy").
LC_ALL=de_DE.UTF-8 wine reg add 'HKCU\Control Panel\International' /v sShortDate /d dd.MM.yyyy /f >>wine.log 2>&1
QV_SHORT_DATE=06.12.2026 LC_ALL=de_DE.UTF-8 wine "$exe" --gtest_filter='Win32DateTest.*' >de.log 2>&1 || status=1
# A user's own format with quoted text and a two-digit year, which is written with all four digits.
LC_ALL=de_DE.UTF-8 wine reg add 'HKCU\Control Panel\International' /v sShortDate /d "d' de 'M' de 'yy" /f >>wine.log 2>&1
QV_SHORT_DATE="6 de 12 de 2026" LC_ALL=de_DE.UTF-8 wine "$exe" --gtest_filter='Win32DateTest.*' >own.log 2>&1 || status=1
cat en.log de.log own.log
exit $status

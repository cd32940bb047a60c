#!/usr/bin/env bash
# Fails when a source file includes a header from a layer above its own: frontends -> app -> core ->
# platform interfaces; a platform implementation includes nothing but platform/.
set -euo pipefail
src=${1:?usage: include_direction.sh SRC_FOLDER}
status=0
check() {  # folder, pattern of the folders it may not include
  local hits
  hits=$(grep -rnE "#include \"($2)/" "$src/$1" 2>/dev/null || true)
  if [ -n "$hits" ]; then
    echo "$1 includes a layer above it:"
    echo "$hits"
    status=1
  fi
}
check core 'app|frontends'
check app 'frontends'
check platform 'core|app|frontends'
for front in console qt win32; do
  others=$(printf '%s\n' console qt win32 | grep -vx "$front" | sed 's#^#frontends/#' | paste -sd'|')
  check "frontends/$front" "$others"
done
exit $status

#!/usr/bin/env bash
# Fails when a source file includes a header from a layer above its own: frontends -> app -> core ->
# platform interfaces; a platform implementation includes nothing but platform/; no front end another's.
src=${1:?usage: include_direction.sh SRC_FOLDER}
up() { grep -rnE "#include \"($2)/" "$src/$1"; }
bad=$(up core 'app|frontends'; up app frontends; up platform 'core|app|frontends'
  up frontends/console 'frontends/(qt|win32)'; up frontends/qt 'frontends/(console|win32)'
  up frontends/win32 'frontends/(console|qt)')
[ -z "$bad" ] || { echo "includes against the direction:"; echo "$bad"; exit 1; }

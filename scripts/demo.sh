#!/usr/bin/env bash
# Builds everything, prepares a demo inventory in build/demo (once) and opens
# it. The build's own driver registration is used, so nothing needs to be
# installed system-wide.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
bash "$root/scripts/build.sh"

demo="$build/demo"
mkdir -p "$demo"
[ -f "$demo/Store.mdb" ] || "$build/tools/detalehran-db" create "$demo" --demo

export ODBCSYSINI="$build/odbc"
cd "$demo"
exec "$build/detalehran"

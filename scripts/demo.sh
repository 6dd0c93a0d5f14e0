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
if [ -x "$build/detalehran" ]; then
  exec "$build/detalehran"
fi
# Until the desktop program is built, open the demo inventory in unixODBC's
# own SQL client, through the same driver and data source name.
export ODBCINI="$demo/odbc.ini"
printf '[Store]\nDriver = Microsoft Access Driver (*.mdb)\nDBQ = %s/Store.mdb\n' "$demo" > "$ODBCINI"
echo "Demo inventory: $demo/Store.mdb. Try: SELECT * FROM [Store] ORDER BY [Название]"
exec isql -v Store

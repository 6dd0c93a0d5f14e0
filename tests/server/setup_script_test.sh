#!/usr/bin/env bash
# The README's server setup, run as written (scripts/server-setup.sh) against
# the throwaway cluster of pg_virtualenv: from an empty server to a member
# who stores parts, a reader who may not, and a member who left. Run twice,
# it changes nothing the second time.
#   setup_script_test.sh DETALEHRAN_DB SERVER_SETUP PSQLODBC_SO
set -euo pipefail
tool=$1 setup=$2 driver=$3
if [ -z "${PGHOST:-}" ]; then echo "no server: run under pg_virtualenv"; exit 0; fi

work=$(mktemp -d)
n=$$
owner=owner_$n database=store_$n anna=anna_$n vera=vera_$n
cleanup() {
  psql -X -q -d postgres -c "DROP DATABASE IF EXISTS $database WITH (FORCE)" >/dev/null 2>&1 || true
  for role in "$owner" "$anna" "$vera"; do psql -X -q -d postgres -c "DROP ROLE IF EXISTS $role" >/dev/null 2>&1 || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

# A desktop of its own: data sources, driver and passwords in the folder.
export HOME=$work ODBCINI=$work/.odbc.ini ODBCSYSINI=$work PGPASSFILE=$work/.pgpass
printf '[PostgreSQL Unicode]\nDriver = %s\n' "$driver" >"$work/odbcinst.ini"
setup_run() { DETALEHRAN_DB=$tool bash "$setup" --owner "$owner" --database "$database" "$@"; }

setup_run --member "$anna" --reader "$vera" >"$work/first.out" || fail "the first run"
setup_run --member "$anna" --reader "$vera" >"$work/second.out" || fail "the second run"
grep -q "Создана" "$work/second.out" && fail "the second run made something again"
[ "$(psql -X -tA -d postgres -c "SELECT rolsuper FROM pg_roles WHERE rolname = '$owner'")" = f ] ||
  fail "the owner must be no superuser"

# Each member's desktop, as the script's closing text says: the data source
# Store with the role as Username, its password in ~/.pgpass.
password_of() { sed -n "s/^Создана роль $1, её пароль: //p" "$work/first.out"; }
desktop() {
  local role=$1 dir=$work/$1
  mkdir -p "$dir"
  sed -n '/^\[Store\]/,/^$/p' "$work/first.out" | sed "s/РОЛЬ/$role/" >"$dir/.odbc.ini"
  sed -n '/:РОЛЬ:ПАРОЛЬ$/p' "$work/first.out" | sed "s/РОЛЬ:ПАРОЛЬ/$role:$(password_of "$role")/" >"$dir/.pgpass"
  chmod 600 "$dir/.pgpass"
}
as() {
  local role=$1
  shift
  (cd "$work/$role" && env -u PGUSER -u PGPASSWORD -u PGDATABASE HOME="$work/$role" ODBCINI="$work/$role/.odbc.ini" \
    PGPASSFILE="$work/$role/.pgpass" "$tool" "$@")
}
desktop "$anna"
desktop "$vera"
printf 'Название;Количество\nR1;3\n' >"$work/parts.csv"

as "$anna" import --dsn Store "$work/parts.csv" >/dev/null || fail "a member's import"
as "$vera" search --dsn Store R1 | grep -q R1 || fail "a reader's search"
as "$vera" import --dsn Store "$work/parts.csv" >/dev/null 2>&1 && fail "a reader's import went through"
[ "$(psql -X -tA -d "$database" -c 'SELECT count(*) FROM "Store"')" = 1 ] || fail "one part stored"

setup_run --remove "$anna" >/dev/null || fail "remove-user"
as "$anna" search --dsn Store R1 >/dev/null 2>&1 && fail "a removed member still reads"
echo "setup as written: ok"

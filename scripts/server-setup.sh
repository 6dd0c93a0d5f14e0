#!/usr/bin/env bash
# A team's inventory on a PostgreSQL server, from an empty server to the
# members' access: the steps of the README's server section, in order.
#
#   scripts/server-setup.sh [--owner ROLE] [--database NAME] [--dsn NAME]
#                           [--member ROLE]... [--reader ROLE]... [--remove ROLE]...
#
# Run it where psql reaches the server as a superuser: on the server as the
# system user postgres, or anywhere with PGHOST, PGPORT, PGUSER (a superuser)
# and PGPASSWORD set. detalehran-db must be on the PATH (or DETALEHRAN_DB
# names it). Running it again changes nothing that is there already:
#   1. the store's owner, a login role that is no superuser (default
#      store_owner), and the database it owns (default store);
#   2. the data source --dsn (default Admin) for the owner in the user's
#      ODBC data sources, its password in ~/.pgpass (PGPASSFILE);
#   3. detalehran-db create --dsn Admin: the store's tables and history (a store made
#      by an older version is brought up to date);
#   4. a login role for each member and reader that is not there yet, and
#      detalehran-db add-user --dsn Admin ROLE (--read-only for a reader);
#   5. detalehran-db remove-user --dsn Admin ROLE for each --remove.
# A role made here gets a random password, printed once: hand it to its
# user for their ~/.pgpass.
set -euo pipefail

owner=store_owner
database=store
dsn=Admin
members=()
readers=()
removed=()
while [ $# -gt 0 ]; do
  case "$1" in
    --owner) owner=$2; shift 2 ;;
    --database) database=$2; shift 2 ;;
    --dsn) dsn=$2; shift 2 ;;
    --member) members+=("$2"); shift 2 ;;
    --reader) readers+=("$2"); shift 2 ;;
    --remove) removed+=("$2"); shift 2 ;;
    -h|--help) sed -n '2,/^set -e/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "server-setup.sh: неизвестный параметр $1 (см. --help)" >&2; exit 2 ;;
  esac
done

# The superuser's PGPASSWORD would stand in for every role's password:
# the tool connects as the owner, with the owner's password from ~/.pgpass.
tool() { env -u PGPASSWORD -u PGUSER -u PGDATABASE "${DETALEHRAN_DB:-detalehran-db}" "$@"; }
host=${PGHOST:-localhost}
# A Unix socket folder is no host name for a desktop's data source.
case "$host" in /*) host=localhost ;; esac
port=${PGPORT:-5432}

# psql as the superuser, its variables taking the values: names and
# passwords never become part of a statement's text.
superuser() { psql -X -q -v ON_ERROR_STOP=1 -d postgres "$@"; }
exists() { [ "$(superuser -tA -v name="$2" <<<"SELECT 1 FROM $1 = :'name'")" = 1 ]; }
new_password() { head -c 18 /dev/urandom | base64 | tr -dc 'A-Za-z0-9' | head -c 20; }

# A login role; made with a random password when it is not there.
login_role() {
  local role=$1 password
  if exists "pg_roles WHERE rolname" "$role"; then return 1; fi
  password=$(new_password)
  superuser -v role="$role" -v password="$password" <<<"CREATE ROLE :\"role\" LOGIN PASSWORD :'password';"
  echo "$password"
}

# 1. The owner and its database.
if owner_password=$(login_role "$owner"); then
  echo "Создана роль $owner (владелец склада)."
else
  owner_password=
fi
if ! exists "pg_database WHERE datname" "$database"; then
  superuser -v db="$database" -v owner="$owner" <<<"CREATE DATABASE :\"db\" OWNER :\"owner\";"
  echo "Создана база данных $database, её владелец $owner."
fi

# 2. The owner's data source, and its password where libpq looks for it.
ini=$(odbcinst -j | sed -n 's/^USER DATA SOURCES\.*: //p')
if ! grep -q "^\[$dsn\]" "$ini" 2>/dev/null; then
  cat >>"$ini" <<EOF
[$dsn]
Driver     = PostgreSQL Unicode
Servername = $host
Port       = $port
Database   = $database
Username   = $owner
SSLmode    = prefer

EOF
  echo "Источник данных $dsn добавлен в $ini."
fi
if [ -n "$owner_password" ]; then
  pgpass=${PGPASSFILE:-$HOME/.pgpass}
  touch "$pgpass"
  chmod 600 "$pgpass"
  echo "$host:$port:$database:$owner:$owner_password" >>"$pgpass"
  echo "Пароль роли $owner записан в $pgpass."
fi

# 3. The store.
tool create --dsn "$dsn"

# 4. Members and readers.
for role in "${members[@]}" "${readers[@]}"; do
  if password=$(login_role "$role"); then
    echo "Создана роль $role, её пароль: $password"
  fi
done
for role in "${members[@]}"; do tool add-user --dsn "$dsn" "$role"; done
for role in "${readers[@]}"; do tool add-user --dsn "$dsn" --read-only "$role"; done

# 5. Members who leave.
for role in "${removed[@]}"; do tool remove-user --dsn "$dsn" "$role"; done

cat <<EOF

Источник данных Store на компьютере каждого участника, в ~/.odbc.ini
(Username — его роль), и пароль роли в ~/.pgpass (права 600):

[Store]
Driver     = PostgreSQL Unicode
Servername = $host
Port       = $port
Database   = $database
Username   = РОЛЬ
SSLmode    = prefer

$host:$port:$database:РОЛЬ:ПАРОЛЬ
EOF

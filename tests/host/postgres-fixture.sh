#!/bin/sh
# A throwaway PostgreSQL server for the record tests, from Debian's
# postgresql package: postgres-fixture.sh start|stop FOLDER.
#
# start: a data folder and a Unix socket in FOLDER (no TCP), a database
# quelm_records owned by quelm_owner, and a station role quelm_station that
# gets its grants from the tests, as README tells a line's administrator.
# Both roles log in with a password from FOLDER/pgpass (PGPASSFILE), never
# from a command line. FOLDER/ready appears when the server is up; without
# PostgreSQL nothing is started and the tests skip it.
# stop: the server is stopped and FOLDER removed.
set -eu
action=$1
folder=$2

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)

# initdb and postgres refuse to run as root: the server runs as the
# package's own user then.
as_server() {
    if [ "$(id -u)" = 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

stop() {
    if [ -f "$folder/data/postmaster.pid" ]; then
        as_server "$bindir/pg_ctl" -D "$folder/data" -m immediate -w stop >/dev/null
    fi
    rm -rf "$folder"
}

case "$action" in
stop)
    stop
    exit 0
    ;;
start)
    ;;
*)
    echo "usage: $0 start|stop FOLDER" >&2
    exit 2
    ;;
esac

stop
mkdir -p "$folder"
if [ -z "$bindir" ] || { [ "$(id -u)" = 0 ] && ! id postgres >/dev/null 2>&1; }; then
    echo "PostgreSQL is not installed (Debian package postgresql); its record tests skip"
    exit 0
fi
if [ "$(id -u)" = 0 ]; then
    chown postgres "$folder"
fi
chmod 700 "$folder"

as_server "$bindir/initdb" -D "$folder/data" -U quelm_admin --auth=trust >"$folder/initdb.log"
# The administrator is trusted on the socket; every other role needs its password.
cat >"$folder/hba.conf" <<HBA
local all quelm_admin trust
local all all scram-sha-256
HBA
if [ "$(id -u)" = 0 ]; then
    chown postgres "$folder/hba.conf"
fi
as_server "$bindir/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w \
    -o "-c listen_addresses= -c unix_socket_directories=$folder -c hba_file=$folder/hba.conf" start >/dev/null

# Throwaway passwords of a throwaway server, read by libpq from the file.
umask 077
cat >"$folder/pgpass" <<PASS
*:*:*:quelm_owner:owner-secret
*:*:*:quelm_station:station-secret
PASS
"$bindir/psql" -q -h "$folder" -U quelm_admin -d postgres -v ON_ERROR_STOP=1 <<SQL
CREATE ROLE quelm_owner LOGIN PASSWORD 'owner-secret';
CREATE ROLE quelm_station LOGIN PASSWORD 'station-secret';
CREATE DATABASE quelm_records OWNER quelm_owner;
SQL
touch "$folder/ready"

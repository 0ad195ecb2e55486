#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests.
#   pg-server.sh start STATE_FILE   initialise and start a server on a private socket folder,
#                                   then write what the tests need to reach it into STATE_FILE
#   pg-server.sh stop STATE_FILE    stop it and remove its folder
# The server listens on no TCP port at all, only on a Unix socket in its own folder, so that
# parallel test runs never collide. initdb refuses to run as root: as root it runs as "postgres".
set -euo pipefail
action=${1:?start or stop}
state=${2:?state file}

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

case "$action" in
start)
  # A server left behind by an interrupted run goes first.
  [ -f "$state" ] && "$0" stop "$state"
  bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
  [ -x "$bindir/initdb" ] || { echo "pg-server: no PostgreSQL server found (Debian package postgresql)" >&2; exit 1; }
  root=$(mktemp -d /tmp/quillmere-pg.XXXXXX)
  chmod 755 "$root"
  [ "$(id -u)" -eq 0 ] && chown postgres: "$root"
  as_owner "$bindir/initdb" -D "$root/data" --auth=trust -U postgres -E UTF8 --locale=C.UTF-8 >"$root/initdb.log" 2>&1 \
    || { cat "$root/initdb.log" >&2; exit 1; }
  as_owner mkdir -p "$root/socket"
  as_owner "$bindir/pg_ctl" -D "$root/data" -l "$root/server.log" -w -t 60 \
    -o "-c listen_addresses='' -c unix_socket_directories='$root/socket' -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
    start >/dev/null || { cat "$root/server.log" >&2; exit 1; }
  mkdir -p "$(dirname "$state")"
  cat >"$state" <<STATE
PG_ROOT=$root
PG_BINDIR=$bindir
PG_SOCKET_DIR=$root/socket
PG_PORT=5432
PG_USER=postgres
STATE
  ;;
stop)
  [ -f "$state" ] || exit 0
  root=$(sed -n 's/^PG_ROOT=//p' "$state")
  bindir=$(sed -n 's/^PG_BINDIR=//p' "$state")
  if [ -n "$root" ] && [ -d "$root/data" ]; then
    as_owner "$bindir/pg_ctl" -D "$root/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  case "$root" in /tmp/quillmere-pg.*) rm -rf "$root" ;; esac
  rm -f "$state"
  ;;
*) echo "usage: $0 start|stop STATE_FILE" >&2; exit 2 ;;
esac

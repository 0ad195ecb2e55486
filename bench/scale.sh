#!/usr/bin/env bash
# Scale run: `quillmere-scan scan` over 1000 and over 16000 rows of small generated pages (a few KB,
# some of twenty keywords) served by nginx on 127.0.0.1, with the default settings, on SQLite and
# on PostgreSQL (a throwaway server on a private socket folder, reached through psqlODBC); day 1
# (every hit new) and day 2 (nothing changed) each. Prints the time per URL, how it grows from 1000
# to 16000 rows, and the peak memory of every run.
# Usage: bench/scale.sh BUILD_DIR [both|sqlite|postgresql]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
bench_init "$1"
backends=${2:-both}
[ "$backends" = both ] && backends="sqlite postgresql"
sizes=(1000 16000)
largest=${sizes[-1]}
page_median_bytes=3000

echo "== Scale run: ${sizes[0]} and $largest small pages served by nginx on 127.0.0.1"
"$build/bench/bench_sitegen" "$work/site" "$largest" "$page_median_bytes"
chmod -R a+rX "$work/site"
start_nginx "$work/site"
# The rows of a run of N: the first N pages.
rows_sql() { # N
  for ((i = 0; i < $1; i++)); do
    printf "INSERT INTO listen (URL) VALUES ('http://127.0.0.1:%s/page%04d.html');\n" "$nginx_port" "$i"
  done
  sed "s/.*/INSERT INTO keyword (KEYWORDS) VALUES ('&');/" "$work/site/keywords.txt"
}

start_postgresql() {
  local state=$work/pg.state
  "$bench_here/../tests/support/pg-server.sh" start "$state"
  bench_stops+=("'$bench_here/../tests/support/pg-server.sh' stop '$state'")
  pg_socket=$(sed -n 's/^PG_SOCKET_DIR=//p' "$state")
  pg_port=$(sed -n 's/^PG_PORT=//p' "$state")
  pg_user=$(sed -n 's/^PG_USER=//p' "$state")
}
psql_to() { # DATABASE, statements on standard input
  psql -q -X -v ON_ERROR_STOP=1 -h "$pg_socket" -p "$pg_port" -U "$pg_user" -d "$1" "${@:2}"
}

# A fresh database of N rows as data source NAME on BACKEND; sets count_kw to a command that
# prints the number of rows in kw.
prepare() { # BACKEND N NAME
  case "$1" in
  sqlite)
    add_sqlite_datasource "$3" "$work/$3.db"
    { echo "BEGIN;"; rows_sql "$2"; echo "COMMIT;"; } | sqlite3 "$work/$3.db"
    count_kw=(sqlite3 "$work/$3.db" 'SELECT COUNT(*) FROM kw')
    ;;
  postgresql)
    local db
    db=$(echo "$3" | tr '[:upper:]' '[:lower:]')
    echo "CREATE DATABASE $db;" | psql_to postgres
    psql_to "$db" <"$bench_here/../db/postgresql/schema.sql"
    { echo "BEGIN;"; rows_sql "$2"; echo "COMMIT;"; } | psql_to "$db"
    printf '[%s]\nDriver=PostgreSQL Unicode\nServername=%s\nPort=%s\nDatabase=%s\nUsername=%s\nPassword=\n\n' \
      "$3" "$pg_socket" "$pg_port" "$db" "$pg_user" >>"$ODBCINI"
    count_kw=(psql_to "$db" -t -A -c 'SELECT COUNT(*) FROM kw')
    ;;
  esac
}

declare -A per_url=()
printf '%-11s %6s %6s %11s %9s %9s\n' backend rows day "ms per URL" "peak MB" "kw rows"
for backend in $backends; do
  [ "$backend" = postgresql ] && start_postgresql
  for rows in "${sizes[@]}"; do
    prepare "$backend" "$rows" "Scale${backend^}$rows"
    "$qs" config DSN "Scale${backend^}$rows"
    for day in 1 2; do
      timed_scan "$backend-$rows-$day" "$(day_clock "$day")"
      per_url[$backend,$rows,$day]=$(echo "scale=3; $scan_ms / $rows" | bc -l)
      printf '%-11s %6s %6s %11.2f %9s %9s\n' "$backend" "$rows" "$day" "${per_url[$backend,$rows,$day]}" \
        "$scan_rss_mb" "$("${count_kw[@]}")"
    done
  done
done

echo "time per URL, $largest rows against ${sizes[0]} (goal: at most 1.3):"
for backend in $backends; do
  for day in 1 2; do
    printf '  %-11s day %s  %s\n' "$backend" "$day" \
      "$(ratio "${per_url[$backend,$largest,$day]}" "${per_url[$backend,${sizes[0]},$day]}")"
  done
done

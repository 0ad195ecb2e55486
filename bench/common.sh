# Shared by the benchmark scripts (source it; it expects `set -euo pipefail`). The variables it
# sets are read by those scripts, so shellcheck's "unused" warning does not apply here.
# shellcheck shell=bash disable=SC2034
# bench_init BUILD_DIR gives the script a work folder, removed on exit together with every server
# started through it, and a home, XDG folders and ODBC file of its own inside it, so that no
# benchmark ever reads or writes the user's own settings, data sources or databases.

bench_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
bench_python=/usr/bin/python3
# The program gives up on a request after this long.
request_limit_ms=30000

bench_pids=()
bench_stops=()
bench_cleanup() {
  local i
  for ((i = ${#bench_stops[@]} - 1; i >= 0; i--)); do eval "${bench_stops[i]}" >/dev/null 2>&1 || true; done
  for i in "${bench_pids[@]}"; do
    if kill "$i" 2>/dev/null; then wait "$i" 2>/dev/null || true; fi
  done
  rm -rf "$work"
}

bench_init() { # BUILD_DIR
  build=$(cd "${1:?build dir}" && pwd)
  qs=$build/quillmere-scan
  [ -x "$qs" ] || { echo "bench: no $qs (build it first)" >&2; exit 1; }
  work=$(mktemp -d /tmp/quillmere-bench.XXXXXX)
  # nginx's workers run as another user when started by root, and must read the site.
  chmod 755 "$work"
  trap bench_cleanup EXIT
  trap 'exit 130' INT TERM
  export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data \
    XDG_CACHE_HOME=$work/home/cache ODBCINI=$work/home/odbc.ini ODBCSYSINI=$work/home/odbc-system
  mkdir -p "$ODBCSYSINI"
  : >"$ODBCINI"
  # The system's drivers, without the system's data sources. Debian's entry for psqlODBC turns
  # its communication log on, which leaves a file in /tmp for every process that connects; a
  # data source's own CommLog=0 does not stop that, the driver entry's does.
  sed 's/^[[:space:]]*CommLog[[:space:]]*=.*/CommLog=0/' /etc/odbcinst.ini >"$ODBCSYSINI/odbcinst.ini"
  # Loopback only: no proxy may see the benchmark's requests.
  unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY
}

free_port() {
  "$bench_python" -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

wait_for_url() { # URL
  local _
  for _ in $(seq 100); do
    curl -s -o /dev/null "$1" && return 0
    sleep 0.1
  done
  echo "bench: nothing answers at $1" >&2
  exit 1
}

# nginx serving FOLDER on 127.0.0.1:$nginx_port, in the foreground of a background job.
start_nginx() { # FOLDER
  local dir=$work/nginx
  nginx_port=$(free_port)
  mkdir -p "$dir/logs"
  cat >"$dir/nginx.conf" <<CONF
worker_processes 1;
daemon off;
pid $dir/nginx.pid;
error_log $dir/logs/error.log;
events { worker_connections 1024; }
http {
  access_log off;
  sendfile on;
  keepalive_requests 100000;
  types { text/html html; }
  client_body_temp_path $dir/body;
  proxy_temp_path $dir/proxy;
  fastcgi_temp_path $dir/fastcgi;
  uwsgi_temp_path $dir/uwsgi;
  scgi_temp_path $dir/scgi;
  server {
    listen 127.0.0.1:$nginx_port;
    root $1;
  }
}
CONF
  /usr/sbin/nginx -p "$dir" -c "$dir/nginx.conf" &
  bench_pids+=($!)
  wait_for_url "http://127.0.0.1:$nginx_port/"
}

# A SQLite database with the program's tables, as the ODBC data source NAME.
add_sqlite_datasource() { # NAME DATABASE
  sqlite3 "$2" <"$bench_here/../db/sqlite/schema.sql"
  printf '[%s]\nDriver=SQLite3\nDatabase=%s\nJournalMode=WAL\nSyncPragma=NORMAL\nStepAPI=1\n\n' "$1" "$2" >>"$ODBCINI"
}

# Stores a setting. A program that does not know the key yet refuses it: say so once and go on,
# so that the benchmark also runs against a program without that setting.
declare -A refused_settings=()
set_setting() { # KEY VALUE
  [ -n "${refused_settings[$1]:-}" ] && return 1
  if "$qs" config "$1" "$2" >/dev/null 2>"$work/config.err"; then return 0; fi
  refused_settings[$1]=1
  echo "  (this quillmere-scan refuses the setting $1, so those runs go without it: $(head -n 1 "$work/config.err"))"
  return 1
}

# Parallel and PerHost for the next runs; PerHost only when given.
set_parallel() { # PARALLEL [PER_HOST]
  set_setting Parallel "$1" || true
  [ -z "${2:-}" ] || set_setting PerHost "$2" || true
}

# One `quillmere-scan scan` at the shifted clock; sets scan_ms (wall time) and scan_rss_mb (peak
# resident memory, from GNU time); the report and error pane go to $work/report-LABEL.txt and
# $work/errors-LABEL.txt.
timed_scan() { # LABEL CLOCK
  local start end
  start=$(date +%s%N)
  QUILLMERE_SCAN_CLOCK=$2 /usr/bin/time -f '%M' -o "$work/rss" \
    "$qs" scan --no-mail >"$work/report-$1.txt" 2>"$work/errors-$1.txt" || true
  end=$(date +%s%N)
  scan_ms=$(((end - start) / 1000000))
  scan_rss_mb=$(echo "scale=1; $(tail -n 1 "$work/rss") / 1024" | bc)
}

# Day 1 is today at 06:00, day 2 tomorrow at 06:00 (the clock as QUILLMERE_SCAN_CLOCK takes it).
day_clock() { # 1|2
  if [ "$1" = 1 ]; then date +%Y-%m-%dT06:00:00; else date -d tomorrow +%Y-%m-%dT06:00:00; fi
}

ratio() { # A B, printed with two decimals
  echo "scale=2; $1 / $2" | bc -l | sed 's/^\./0./'
}

seconds() { # MS, printed with one decimal
  echo "scale=1; $1 / 1000" | bc -l | sed 's/^\./0./'
}

#!/usr/bin/env bash
# The benchmarks (`make bench`):
#  1. stripping plus keyword scoring on generated pages of 10 KB to 5 MB;
#  2. `quillmere-scan scan` over 1000 generated pages served by nginx on 127.0.0.1, on day 1 (every
#     hit new) and day 2 (nothing changed), beside the time curl takes to fetch the same pages one
#     after another on one connection.
# Usage: bench/run.sh BUILD_DIR [PAGES]
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
pages=${2:-1000}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d /tmp/quillmere-bench.XXXXXX)
chmod 755 "$work"
nginx_pid=
cleanup() {
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

echo "== Stripping and keyword scoring"
"$build/bench/bench_textalgorithms"

echo
echo "== Scan run over $pages pages served by nginx on 127.0.0.1"
"$build/bench/bench_sitegen" "$work/site" "$pages"
chmod -R a+rX "$work/site"

# nginx on a free port, in the foreground of a background job, with everything in $work.
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir -p "$work/nginx/logs"
cat >"$work/nginx/nginx.conf" <<CONF
worker_processes 1;
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/logs/error.log;
events { worker_connections 256; }
http {
  access_log off;
  sendfile on;
  keepalive_requests 100000;
  types { text/html html; }
  client_body_temp_path $work/nginx/body;
  proxy_temp_path $work/nginx/proxy;
  fastcgi_temp_path $work/nginx/fastcgi;
  uwsgi_temp_path $work/nginx/uwsgi;
  scgi_temp_path $work/nginx/scgi;
  server {
    listen 127.0.0.1:$port;
    root $work/site;
  }
}
CONF
/usr/sbin/nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" &
nginx_pid=$!
for _ in $(seq 50); do
  curl -s -o /dev/null "http://127.0.0.1:$port/page0000.html" && break
  sleep 0.1
done

# curl: every page, one after another, on one connection.
for f in "$work"/site/page*.html; do echo "url = \"http://127.0.0.1:$port/$(basename "$f")\""; echo "output = /dev/null"; done >"$work/curl.conf"
curl_start=$(date +%s%N)
curl -s -K "$work/curl.conf"
curl_ms=$(( ($(date +%s%N) - curl_start) / 1000000 ))

# A data source of the benchmark's own, with the URLs and keywords.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data ODBCINI=$work/home/odbc.ini
mkdir -p "$HOME"
database=$work/home/scan.db
sqlite3 "$database" <"$here/../db/sqlite/schema.sql"
{
  echo "BEGIN;"
  for f in "$work"/site/page*.html; do echo "INSERT INTO listen (URL, SCENS) VALUES ('http://127.0.0.1:$port/$(basename "$f")', 50);"; done
  while read -r keyword; do echo "INSERT INTO keyword (KEYWORDS) VALUES ('$keyword');"; done <"$work/site/keywords.txt"
  echo "COMMIT;"
} | sqlite3 "$database"
printf '[Bench]\nDriver=SQLite3\nDatabase=%s\nJournalMode=WAL\nSyncPragma=NORMAL\nStepAPI=1\n' "$database" >"$ODBCINI"
"$build/quillmere-scan" config DSN Bench

scan_day() { # day label, clock
  local start end rss
  start=$(date +%s%N)
  QUILLMERE_SCAN_CLOCK=$2 /usr/bin/time -f '%M' -o "$work/rss" "$build/quillmere-scan" scan >"$work/report-$1.txt" 2>"$work/errors-$1.txt" || true
  end=$(date +%s%N)
  rss=$(tail -n 1 "$work/rss")
  printf '%-6s %8.2f ms per URL   peak memory %6.1f MB   report %s lines, kw rows %s\n' "$1" \
    "$(echo "($end - $start) / 1000000 / $pages" | bc -l)" "$(echo "$rss / 1024" | bc -l)" \
    "$(wc -l <"$work/report-$1.txt")" "$(sqlite3 "$database" 'SELECT COUNT(*) FROM kw')"
}

today=$(date +%Y-%m-%d)
scan_day "day 1" "${today}T06:00:00"
scan_day "day 2" "$(date -d tomorrow +%Y-%m-%d)T06:00:00"
printf '%-6s %8.2f ms per page (the same pages one after another on one connection)\n' curl \
  "$(echo "$curl_ms / $pages" | bc -l)"

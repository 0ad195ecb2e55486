#!/usr/bin/env bash
# `quillmere-scan scan` over generated pages (median about 60 KB, a few up to 2 MB) served by nginx
# on 127.0.0.1, on SQLite: day 1 (every hit new) and day 2 (nothing changed) with the default
# settings, then day 1 once more one request at a time (Parallel=1); beside the time curl takes to
# fetch the same pages one after another on one connection.
# Usage: bench/nginx.sh BUILD_DIR [PAGES, default 1000]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
bench_init "$1"
pages=${2:-1000}

echo "== Scan run over $pages pages served by nginx on 127.0.0.1"
"$build/bench/bench_sitegen" "$work/site" "$pages"
chmod -R a+rX "$work/site"
start_nginx "$work/site"
urls=$work/urls.txt
for ((i = 0; i < pages; i++)); do printf 'http://127.0.0.1:%s/page%04d.html\n' "$nginx_port" "$i"; done >"$urls"

# curl: every page, one after another, on one connection.
sed 's/.*/url = "&"\noutput = \/dev\/null/' "$urls" >"$work/curl.conf"
curl_start=$(date +%s%N)
curl -s -K "$work/curl.conf"
curl_ms=$((($(date +%s%N) - curl_start) / 1000000))

database=$work/scan.db
add_sqlite_datasource Bench "$database"
{
  echo "BEGIN;"
  sed "s/.*/INSERT INTO listen (URL, SCENS) VALUES ('&', 50);/" "$urls"
  sed "s/.*/INSERT INTO keyword (KEYWORDS) VALUES ('&');/" "$work/site/keywords.txt"
  echo "COMMIT;"
} | sqlite3 "$database"
"$qs" config DSN Bench

report() { # LABEL
  printf '%-22s %8.2f ms per URL   peak memory %6.1f MB   report %s lines, kw rows %s\n' "$1" \
    "$(echo "$scan_ms / $pages" | bc -l)" "$scan_rss_mb" "$(wc -l <"$work/report-$1.txt")" \
    "$(sqlite3 "$database" 'SELECT COUNT(*) FROM kw')"
}
timed_scan "day 1" "$(day_clock 1)"
report "day 1"
timed_scan "day 2" "$(day_clock 2)"
report "day 2"

# The same first day again, one request at a time.
sqlite3 "$database" "DELETE FROM kw; UPDATE listen SET DAGEN = '2003-01-01', TAL = 0;"
set_parallel 1
timed_scan "day 1, Parallel=1" "$(day_clock 1)"
report "day 1, Parallel=1"

printf '%-22s %8.2f ms per page (the same pages one after another on one connection)\n' curl \
  "$(echo "$curl_ms / $pages" | bc -l)"
echo "goal: peak memory of day 1 and day 2 at most 100 MB"

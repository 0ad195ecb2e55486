#!/usr/bin/env bash
# Latency run: 200 URLs on 25 loopback hosts (bench/latencyserver.py), each answered after its own
# delay of 100 to 600 ms; (a) all alive, (b) the same with the paths of rows 10, 20 and 30 never
# answered, so that they run into the program's 30-second request limit. `quillmere-scan scan` is
# timed with Parallel=10 PerHost=2 (the defaults) and with Parallel=1, urlwatch (10 workers) beside
# it, each against the floor: the time no run with that many requests in flight can beat.
# Usage: bench/latency.sh BUILD_DIR [both|scan|urlwatch]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
bench_init "$1"
what=${2:-both}
rows=200
dead_rows=10,20,30

latency() { "$bench_python" "$bench_here/latencyserver.py" "$@"; }
# Started directly, not through the function, so that the job's process id is the server's own.
"$bench_python" "$bench_here/latencyserver.py" serve "$work/latency.port" &
bench_pids+=($!)
for _ in $(seq 100); do [ -s "$work/latency.port" ] && break; sleep 0.1; done
[ -s "$work/latency.port" ] || { echo "bench: the latency server did not start" >&2; exit 1; }
port=$(cat "$work/latency.port")
stats() { curl -s "http://127.0.0.2:$port/stats$1"; }
stat_of() { # JSON NAME
  sed -n "s/.*\"$2\": \\([0-9]*\\).*/\\1/p" <<<"$1"
}
describe_stats() { # JSON
  printf 'peak %s in flight, %s per host; %s requests' "$(stat_of "$1" peak_in_flight)" \
    "$(stat_of "$1" peak_per_host)" "$(stat_of "$1" requests)"
}

database=$work/scan.db
if [ "$what" != urlwatch ]; then
  add_sqlite_datasource Latency "$database"
  sqlite3 "$database" "INSERT INTO keyword (KEYWORDS) VALUES ('harbour'), ('tender'), ('ferry');"
  "$qs" config DSN Latency
fi

# One scan over the plan's rows as if for the first time; sets scan_ms.
scan_plan() { # LABEL TITLE PARALLEL PER_HOST FLOOR_MS
  local json
  sqlite3 "$database" "DELETE FROM kw; UPDATE listen SET DAGEN = '2003-01-01', TAL = 0;"
  set_parallel "$3" "$4"
  stats '?reset' >/dev/null
  timed_scan "$1" "$(day_clock 1)"
  json=$(stats '')
  printf '  %-36s %6s s   floor %5s s   ratio %5s   (%s; kw rows %s, error-pane lines %s)\n' \
    "quillmere-scan, $2" "$(seconds "$scan_ms")" "$(seconds "$5")" \
    "$(ratio "$scan_ms" "$5")" "$(describe_stats "$json")" \
    "$(sqlite3 "$database" 'SELECT COUNT(*) FROM kw')" "$(wc -l <"$work/errors-$1.txt")"
}

# urlwatch 2.25 fetches with a fixed pool of 10 worker threads; its request limit is the url jobs'
# `timeout` (seconds). A fresh cache makes every page new, as on the scan's first day; no reporter
# is enabled. Sets urlwatch_ms.
urlwatch_plan() { # PLAN FLOOR_MS
  local dir=$work/urlwatch start json
  rm -rf "$dir"
  mkdir -p "$dir"
  awk -F'\t' '{ printf "%surl: \"%s\"\n", (NR > 1 ? "---\n" : ""), $2 }' "$1" >"$dir/urls.yaml"
  cat >"$dir/urlwatch.yaml" <<CONF
display:
  new: true
  error: true
  unchanged: false
report:
  stdout:
    enabled: false
job_defaults:
  url:
    timeout: $((request_limit_ms / 1000))
CONF
  stats '?reset' >/dev/null
  start=$(date +%s%N)
  urlwatch --urls "$dir/urls.yaml" --config "$dir/urlwatch.yaml" --cache "$dir/cache.db" \
    --hooks "$dir/hooks.py" >"$dir/stdout" 2>"$dir/stderr" || true
  urlwatch_ms=$((($(date +%s%N) - start) / 1000000))
  json=$(stats '')
  printf '  %-36s %6s s   floor %5s s   ratio %5s   (%s)\n' "urlwatch 2.25, 10 workers" \
    "$(seconds "$urlwatch_ms")" "$(seconds "$2")" "$(ratio "$urlwatch_ms" "$2")" "$(describe_stats "$json")"
}

verdict() { # TRUE_OR_FALSE
  if [ "$1" = 1 ]; then echo met; else echo "not met"; fi
}

scenario() { # a|b DEAD_ROWS TITLE
  local plan=$work/plan-$1.tsv floor10 floor1 goal in_order
  latency plan "$port" "$rows" "$2" >"$plan"
  floor10=$(latency floor "$plan" 10 "$request_limit_ms")
  floor1=$(latency floor "$plan" 1 "$request_limit_ms")
  echo "($1) $3"
  if [ "$what" != urlwatch ]; then
    {
      echo "BEGIN; DELETE FROM kw; DELETE FROM listen;"
      awk -F'\t' '{ printf "INSERT INTO listen (ID, URL) VALUES (%d, '\''%s'\'');\n", $1, $2 }' "$plan"
      echo "COMMIT;"
    } | sqlite3 "$database"
    scan_plan "$1-parallel" "Parallel=10 PerHost=2" 10 2 "$floor10"
    default_ms=$scan_ms
    scan_plan "$1-serial" "Parallel=1" 1 "" "$floor1"
  fi
  [ "$what" = scan ] || urlwatch_plan "$plan" "$floor10"
  [ "$what" = both ] || return 0
  if [ "$1" = a ]; then
    goal=$(echo "$default_ms <= $urlwatch_ms && $default_ms <= 1.2 * $floor10" | bc -l)
    echo "  goal: Parallel=10 at most urlwatch's time and 1.2 x floor ($(seconds "$(echo "1.2 * $floor10" | bc)") s): $(verdict "$goal")"
  else
    goal=$(echo "$default_ms <= 1.15 * $floor10" | bc -l)
    echo "  goal: Parallel=10 at most 1.15 x floor ($(seconds "$(echo "1.15 * $floor10" | bc)") s): $(verdict "$goal")"
    # The run reports pages in list order and so takes at most 4 x Parallel rows ahead: rows more
    # than 40 places after a dead one wait for its limit. This floor counts that in.
    in_order=$(latency window-floor "$plan" 10 40 "$request_limit_ms")
    echo "  floor with at most 40 rows taken (pages reported in list order): $(seconds "$in_order") s," \
      "ratio $(echo "scale=2; $default_ms / $in_order" | bc)"
  fi
}

echo "== Latency run: $rows URLs on 25 loopback hosts, delays of 100 to 600 ms"
echo "   floor: the delays divided among the requests in flight; with dead paths, the moment the last"
echo "   one can start plus the $((request_limit_ms / 1000)) s request limit"
scenario a "" "every host answers"
scenario b "$dead_rows" "rows $dead_rows never answered"

#!/usr/bin/env bash
# The benchmarks (`make bench` runs them all, in this order):
#   text      stripping plus keyword scoring on generated pages of 10 KB to 5 MB;
#   nginx     `quillmere-scan scan` over 1000 generated pages served by nginx on 127.0.0.1, day 1 and
#             day 2, once more with Parallel=1, beside curl (bench/nginx.sh);
#   latency   200 URLs on 25 loopback hosts answering after 100 to 600 ms, without and with paths
#             that never answer, with Parallel=10 and 1, beside urlwatch (bench/latency.sh);
#             `urlwatch` runs only urlwatch's part of it;
#   scale     1000 and 16000 small pages on SQLite and on PostgreSQL, day 1 and day 2 (bench/scale.sh).
# Each works in a temporary folder of its own with its own home, settings and data sources, removed
# on exit, and reaches nothing beyond the loopback interface.
# Usage: bench/run.sh BUILD_DIR [text|nginx|latency|urlwatch|scale]...
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=${1:?usage: bench/run.sh BUILD_DIR [text|nginx|latency|urlwatch|scale]...}
shift
(($#)) || set -- text nginx latency scale

first=1
for benchmark in "$@"; do
  ((first)) || echo
  first=0
  case "$benchmark" in
  text)
    echo "== Stripping and keyword scoring"
    "$build/bench/bench_textalgorithms"
    ;;
  nginx) "$here/nginx.sh" "$build" ;;
  latency) "$here/latency.sh" "$build" both ;;
  urlwatch) "$here/latency.sh" "$build" urlwatch ;;
  scale) "$here/scale.sh" "$build" ;;
  *)
    echo "bench/run.sh: no benchmark called \"$benchmark\" (text, nginx, latency, urlwatch, scale)" >&2
    exit 2
    ;;
  esac
done

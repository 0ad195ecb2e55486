#!/usr/bin/env bash
# The embedded default data source set-up, run in throwaway home folders.
# Usage: test-default-datasource.sh SOURCE_DIR PROGRAM
set -uo pipefail
source_dir=${1:?source dir}
program=${2:?program}
setup=$source_dir/db/setup-default-datasource.sh
passed=0 failed=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

check() { # description, command...
  local what=$1; shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $what" >&2; fi
}

# Runs the set-up (or any command) for a fresh user whose home is $work/$1.
as_user() {
  local home=$work/$1; shift
  mkdir -p "$home"
  env -u XDG_CONFIG_HOME -u XDG_DATA_HOME HOME="$home" ODBCINI="${user_odbcini:-$home/.odbc.ini}" \
    QS_BINARY="$program" "$@"
}

fingerprint() { find "$1" -type f ! -name '*-wal' ! -name '*-shm' -print0 | sort -z | xargs -0 sha256sum; }

# A new user: database, data-source entry and setting are created.
as_user fresh "$setup" >/dev/null
db=$work/fresh/.local/share/quillmere-scan/quillmere-scan.db
check "database created" test -s "$db"
check "entry added" grep -q '^\[QuillmereScan\]$' "$work/fresh/.odbc.ini"
check "entry uses the SQLite3 driver and the fast options" \
  grep -q -z 'Driver=SQLite3.*JournalMode=WAL.*SyncPragma=NORMAL.*StepAPI=1' "$work/fresh/.odbc.ini"
check "DSN setting stored" test "$(as_user fresh "$program" config DSN)" = QuillmereScan
answer=$(echo "SELECT listen.ID, listen.URL, listen.DAGEN, listen.TAL, listen.SCENS From listen WHERE (('2026-12-06' <> DAGEN))" |
  as_user fresh isql QuillmereScan -b -v 2>&1)
check "the data source answers the queue selection" grep -q 'SQLRowCount returns' <<<"$answer"
check "new URL rows are due at once" test "$(sqlite3 "$db" "INSERT INTO listen (URL) VALUES ('u'); SELECT DAGEN, TAL, SCENS FROM listen;")" = "2003-01-01|0|50"

# Running it again changes nothing.
before=$(fingerprint "$work/fresh")
as_user fresh "$setup" >/dev/null
check "second run changes nothing" test "$before" = "$(fingerprint "$work/fresh")"

# Other entries stay as they were, also without a final line break; ODBCINI is honoured.
mkdir -p "$work/other"
printf '[Mine]\nDriver=PostgreSQL Unicode\nDatabase=mine' >"$work/other/custom.ini"
user_odbcini=$work/other/custom.ini as_user other "$setup" >/dev/null
check "other entry kept" test "$(head -n 3 "$work/other/custom.ini")" = "$(printf '[Mine]\nDriver=PostgreSQL Unicode\nDatabase=mine')"
check "entry added to the ODBCINI file" grep -q '^\[QuillmereScan\]$' "$work/other/custom.ini"
check "no ~/.odbc.ini written when ODBCINI is set" test ! -e "$work/other/.odbc.ini"

# A stored data-source name and an existing entry (in any case) are left alone.
mkdir -p "$work/kept"
printf '[quillmerescan]\nDriver=SQLite3\nDatabase=/elsewhere.db\n' >"$work/kept/.odbc.ini"
as_user kept "$program" config DSN "Production " >/dev/null
as_user kept "$setup" >/dev/null
check "stored name kept" test "$(as_user kept "$program" config DSN)" = "Production "
check "existing entry not duplicated" test "$(grep -ci '^\[quillmerescan\]' "$work/kept/.odbc.ini")" = 1

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

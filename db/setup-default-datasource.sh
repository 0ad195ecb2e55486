#!/usr/bin/env bash
# Sets up the embedded default data source for the user who runs it, so that a new user needs
# no database server:
#   - a SQLite database with the program's tables in $XDG_DATA_HOME/quillmere-scan/
#     (default ~/.local/share/quillmere-scan/quillmere-scan.db),
#   - the per-user ODBC data source "QuillmereScan" for it, added to the file unixODBC reads
#     them from ($ODBCINI, else .odbc.ini in the home folder of the account) without touching
#     the other entries,
#   - the setting DSN=QuillmereScan, only when no data-source name is stored yet.
# Whatever already exists is left as it is, so running it again changes nothing.
# QS_BINARY names the built program (default: build/quillmere-scan beside this folder).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
name=QuillmereScan
binary=${QS_BINARY:-$here/../build/quillmere-scan}

data_home=${XDG_DATA_HOME:-}
case "$data_home" in /*) ;; *) data_home=$HOME/.local/share ;; esac
data_dir=$data_home/quillmere-scan
database=$data_dir/quillmere-scan.db
# unixODBC finds the account's home through the password database, not through $HOME; ask it.
odbc_ini=$(odbcinst -j | sed -n 's/^USER DATA SOURCES\.*: //p')
[ -n "$odbc_ini" ] || { echo "setup: unixODBC did not name its file of user data sources" >&2; exit 1; }

if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_USER:-}" ]; then
  echo "setup: run this as the user who will use the program, not through sudo" >&2
  exit 1
fi

mkdir -p "$data_dir"
if [ ! -e "$database" ]; then
  # Built beside the final name and moved into place, so that an interrupted set-up never
  # leaves a database without tables behind.
  sqlite3 "$database.new" <"$here/sqlite/schema.sql"
  mv "$database.new" "$database"
  echo "setup: created $database"
fi

# Section names are matched as unixODBC matches them: without regard to case.
if ! grep -qiE "^[[:space:]]*\[$name\][[:space:]]*$" "$odbc_ini" 2>/dev/null; then
  mkdir -p "$(dirname "$odbc_ini")"
  {
    # Keep an existing last line intact when the file does not end in a line break.
    if [ -s "$odbc_ini" ] && [ -n "$(tail -c 1 "$odbc_ini")" ]; then echo; fi
    [ -s "$odbc_ini" ] && echo
    cat <<ENTRY
[$name]
Description=Quillmere Scan embedded database
Driver=SQLite3
Database=$database
JournalMode=WAL
SyncPragma=NORMAL
StepAPI=1
ENTRY
  } >>"$odbc_ini"
  echo "setup: added the data source $name to $odbc_ini"
fi

if [ -z "$("$binary" config DSN)" ]; then
  "$binary" config DSN "$name"
  echo "setup: the program now uses the data source $name"
fi

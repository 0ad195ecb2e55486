#!/usr/bin/env bash
# One set-up script for Quillmere Scan.
#   scripts/setup.sh packages     install the Debian packages listed in scripts/debian-packages.txt
#                                 that are missing (through sudo when not run as root)
#   scripts/setup.sh bench-packages   the same for the benchmark's own section of that list
#   scripts/setup.sh datasource   create the embedded default data source for the current user
#                                 (see db/setup-default-datasource.sh)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# The packages of one section of the list: "main" is everything before the first [section] line.
packages_of() {
  sed -e 's/#.*//' -e 's/[[:space:]]//g' "$here/debian-packages.txt" |
    awk -v want="$1" 'BEGIN { section = "main" } /^\[.*\]$/ { section = substr($0, 2, length($0) - 2); next } NF && section == want'
}

install_packages() {
  local wanted missing=() p
  mapfile -t wanted < <(packages_of "$1")
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  ((${#missing[@]})) || return 0

  local as_root=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "setup: missing packages (${missing[*]}) and no sudo to install them" >&2; exit 1; }
    as_root=(sudo)
  fi
  echo "setup: installing ${missing[*]}"
  local apt=(apt-get -o DPkg::Lock::Timeout=600 -q)
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive "${apt[@]}" update >/dev/null
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y "${missing[@]}" >/dev/null
}

case "${1:-}" in
  packages) install_packages main ;;
  bench-packages) install_packages bench ;;
  datasource) exec "$here/../db/setup-default-datasource.sh" ;;
  *) echo "usage: $0 packages|bench-packages|datasource" >&2; exit 2 ;;
esac

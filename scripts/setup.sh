#!/usr/bin/env bash
# One set-up script for Quillmere Scan.
#   scripts/setup.sh packages [SECTION...]  install the missing Debian packages of these sections of
#                                 scripts/debian-packages.txt (default: main, what building and
#                                 running need; "test" adds what only the tests need), through
#                                 sudo when not run as root
#   scripts/setup.sh bench-packages   the same for the benchmark's own section of that list
#   scripts/setup.sh datasource   create the embedded default data source for the current user
#                                 (see db/setup-default-datasource.sh)
#   scripts/setup.sh install BUILD_DIR PREFIX   install the built program, its desktop entry, icons
#                                 and description under PREFIX, and remember what was installed
#   scripts/setup.sh uninstall PREFIX   remove exactly what install put under PREFIX
set -euo pipefail
stage=
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# The packages of one section of the list: "main" is everything before the first [section] line.
packages_of() {
  sed -e 's/#.*//' -e 's/[[:space:]]//g' "$here/debian-packages.txt" |
    awk -v want="$1" 'BEGIN { section = "main" } /^\[.*\]$/ { section = substr($0, 2, length($0) - 2); next } NF && section == want'
}

# Installed means unpacked and configured. A package whose triggers have not run yet is usable
# all the same, and one held at its version is installed too. grep reads to the end (no -q):
# under pipefail, dpkg-query cut off by an early exit would count as a failure.
is_installed() {
  dpkg-query -W -f='${Status}\n' "$1" 2>/dev/null |
    grep -E '^(install|hold) ok (installed|triggers-pending|triggers-awaited)$' >/dev/null
}

# What an administrator types to install the sections named, from the project folder.
make_target_for() {
  case "$*" in
    main) echo packages ;;
    "main test") echo test-packages ;;
    bench) echo bench-packages ;;
    *) echo "packages" ;;
  esac
}

tell_administrator() { # reason, sections...
  local reason=$1; shift
  {
    echo "setup: missing Debian packages: ${missing[*]}"
    echo "setup: $reason. An administrator installs them with"
    echo "  sudo apt-get install ${missing[*]}"
    echo "or, as root in $(cd "$here/.." && pwd):"
    echo "  make $(make_target_for "$@")"
    echo "Then run this again: once they are installed it needs no sudo."
  } >&2
  exit 1
}

install_packages() { # sections...
  local wanted=() section p
  missing=()
  for section in "$@"; do
    mapfile -t -O "${#wanted[@]}" wanted < <(packages_of "$section")
  done
  for p in "${wanted[@]}"; do
    is_installed "$p" || missing+=("$p")
  done
  ((${#missing[@]})) || return 0

  local as_root=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || tell_administrator "you are not root and there is no sudo to install them" "$@"
    as_root=(sudo)
  fi
  echo "setup: installing ${missing[*]}"
  local apt=(apt-get -o DPkg::Lock::Timeout=600 -q)
  if ! "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive "${apt[@]}" update >/dev/null ||
    ! "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y "${missing[@]}" >/dev/null; then
    [ "${#as_root[@]}" -eq 0 ] && exit 1
    tell_administrator "installing them through sudo failed" "$@"
  fi
}

# --- install and uninstall ---------------------------------------------------------------------
# CMake's install_manifest.txt lists the files one install wrote. It is kept under the prefix
# itself, beside the list of folders the install had to create, so that uninstall removes exactly
# those even after the build folder is gone or from another checkout.
record_dir_of() { echo "$1/lib/quillmere-scan"; }

absolute() { realpath -m -- "$1"; }

# Desktops read the menu and the icons from the folders themselves; a cache only needs to follow
# when one is there already. Creating one would leave a file behind that nobody installed.
refresh_desktop_caches() { # prefix
  local apps=$1/share/applications icons=$1/share/icons/hicolor
  if [ -f "$apps/mimeinfo.cache" ] && command -v update-desktop-database >/dev/null; then
    update-desktop-database -q "$apps" 2>/dev/null || true
  fi
  if [ -f "$icons/icon-theme.cache" ] && command -v gtk-update-icon-cache >/dev/null; then
    gtk-update-icon-cache -q -t -f "$icons" 2>/dev/null || true
  fi
}

# Adds the lines on standard input to a list file, each line once.
merge_into() { # file
  { awk 1; [ ! -f "$1" ] || awk 1 "$1"; } | sed '/^$/d' | sort -u >"$1.new"
  mv "$1.new" "$1"
}

install_program() { # build_dir prefix
  local build prefix record dir
  build=$(absolute "${1:?build dir}")
  prefix=$(absolute "${2:?prefix}")
  record=$(record_dir_of "$prefix")
  [ -f "$build/cmake_install.cmake" ] || { echo "setup: nothing built in $build" >&2; exit 1; }

  # The folders this install creates: the same install into a scratch folder shows every folder
  # it writes into, and those not there yet are the install's own.
  stage=$(mktemp -d)
  trap 'rm -rf "$stage"' EXIT
  DESTDIR=$stage cmake --install "$build" --prefix "$prefix" >/dev/null
  local created=()
  while IFS= read -r -d '' dir; do
    dir=${dir#"$stage"}
    [ -d "$dir" ] || created+=("$dir")
  done < <(find "$stage$prefix" -mindepth 1 -type d -print0)
  rm -rf "$stage"
  for dir in "$prefix" "$record"; do
    while [ ! -d "$dir" ]; do created+=("$dir"); dir=$(dirname "$dir"); done
  done

  cmake --install "$build" --prefix "$prefix" | sed -n 's/^-- \(Installing\|Up-to-date\): /installed /p'
  mkdir -p "$record"
  # A second install keeps what the first one recorded: a file the new build no longer installs
  # is still there, and so are the folders the first install made.
  merge_into "$record/install_manifest.txt" <"$build/install_manifest.txt"
  printf '%s\n' "${created[@]}" | merge_into "$record/created_directories.txt"
  refresh_desktop_caches "$prefix"

  echo "setup: Quillmere Scan is installed under $prefix ('make uninstall PREFIX=$prefix' removes it)"
  case ":$PATH:" in
    *":$prefix/bin:"*) ;;
    *)
      echo "setup: $prefix/bin is not on your PATH yet."
      if [ "$prefix" = "$HOME/.local" ]; then
        echo "setup: Debian's ~/.profile adds it when it exists at login: log in again, or run '. ~/.profile'."
      fi
      ;;
  esac
}

uninstall_program() { # prefix
  local prefix record file dir
  prefix=$(absolute "${1:?prefix}")
  record=$(record_dir_of "$prefix")
  if [ ! -f "$record/install_manifest.txt" ]; then
    echo "setup: Quillmere Scan is not installed under $prefix; nothing to remove"
    return 0
  fi
  while IFS= read -r file; do
    # Only what lies under the prefix: the list is ours, but a hand-edited one must not reach out.
    case "$file" in "$prefix"/*) ;; *) continue ;; esac
    if [ -e "$file" ] || [ -L "$file" ]; then
      rm -f -- "$file" && echo "removed $file"
    fi
  done <"$record/install_manifest.txt"
  rm -f -- "$record/install_manifest.txt"
  # Deepest first, and only the folders the install created and that are empty now.
  if [ -f "$record/created_directories.txt" ]; then
    local dirs
    mapfile -t dirs <"$record/created_directories.txt"
    rm -f -- "$record/created_directories.txt"
    printf '%s\n' "${dirs[@]}" | awk '{ print length($0) "\t" $0 }' | sort -rn | cut -f2- |
      while IFS= read -r dir; do
        [ -n "$dir" ] && rmdir -- "$dir" 2>/dev/null || true
      done
  fi
  refresh_desktop_caches "$prefix"
  echo "setup: Quillmere Scan is removed from $prefix"
}

case "${1:-}" in
  packages)
    shift
    (($#)) || set -- main
    install_packages "$@"
    ;;
  bench-packages) install_packages bench ;;
  datasource) exec "$here/../db/setup-default-datasource.sh" ;;
  install) install_program "${2:-}" "${3:-}" ;;
  uninstall) uninstall_program "${2:-}" ;;
  *) echo "usage: $0 packages [main] [test]|bench-packages|datasource|install BUILD_DIR PREFIX|uninstall PREFIX" >&2; exit 2 ;;
esac

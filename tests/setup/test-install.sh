#!/usr/bin/env bash
# make install / make uninstall through the same script they run, into throwaway prefixes,
# from the tree ctest has just built.
# Usage: test-install.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source_dir=${1:?source dir}
build_dir=${2:?build dir}
setup=$source_dir/scripts/setup.sh
passed=0 failed=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

check() { # description, command...
  local what=$1; shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $what" >&2; fi
}
files_under() { find "$1" \( -type f -o -type l \) 2>/dev/null | sort; }
entry_of() { echo "$1/share/applications/org.quillmere.QuillmereScan.desktop"; }

# A prefix that exists with files of its own, and a folder the install shares with others.
prefix=$work/usr
mkdir -p "$prefix/share/applications"
echo keep >"$prefix/share/applications/other.desktop"
"$setup" install "$build_dir" "$prefix" >"$work/install.log" 2>&1
check "install succeeds" test $? -eq 0
for f in bin/quillmere-scan share/icons/hicolor/scalable/apps/org.quillmere.QuillmereScan.svg \
  share/icons/hicolor/128x128/apps/org.quillmere.QuillmereScan.png \
  share/metainfo/org.quillmere.QuillmereScan.metainfo.xml; do
  check "$f installed" test -s "$prefix/$f"
done
check "installed program runs" "$prefix/bin/quillmere-scan" --version
check "Exec names the installed program by its absolute path" \
  grep -qFx "Exec=$prefix/bin/quillmere-scan" "$(entry_of "$prefix")"
if command -v desktop-file-validate >/dev/null; then
  check "installed entry is valid" desktop-file-validate "$(entry_of "$prefix")"
fi

# A second install over the first, then uninstall: only the other file is left, in its folder.
"$setup" install "$build_dir" "$prefix" >/dev/null 2>&1
check "second install succeeds" test $? -eq 0
"$setup" uninstall "$prefix" >/dev/null 2>&1
check "uninstall succeeds" test $? -eq 0
check "uninstall leaves only what was there before" test "$(files_under "$prefix")" = "$prefix/share/applications/other.desktop"
check "uninstall removes the folders it created" test ! -e "$prefix/bin" -a ! -e "$prefix/share/icons" -a ! -e "$prefix/lib"
out=$("$setup" uninstall "$prefix" 2>&1)
check "uninstall with nothing installed succeeds" test $? -eq 0
check "uninstall with nothing installed says so" grep -q "not installed" <<<"$out"

# A new prefix with a blank in its path: the entry quotes it, and uninstall leaves nothing at all.
prefix="$work/new home/.local"
"$setup" install "$build_dir" "$prefix" >/dev/null 2>&1
check "install into a new prefix succeeds" test $? -eq 0
check "Exec quotes a path with a blank" grep -qFx "Exec=\"$prefix/bin/quillmere-scan\"" "$(entry_of "$prefix")"
"$setup" uninstall "$prefix" >/dev/null 2>&1
check "no file left behind" test -z "$(files_under "$work/new home")"
check "no folder left behind" test ! -e "$work/new home"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] || { cat "$work/install.log" >&2; false; }

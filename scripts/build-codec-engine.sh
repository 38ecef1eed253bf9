#!/usr/bin/env bash
# Generates the single-file engine source that the page codec is built against: fetches Debian's
# source package of the SQL engine in the version of the installed system library, applies our
# page-codec hook patch and runs the engine's own amalgamation build. Writes sqlite3.c and
# sqlite3.h into OUT_DIR. Called by the build; needs the source entries that
# scripts/enable-deb-src.sh adds (scripts/install-deps.sh runs it).
set -euo pipefail

[ $# -eq 2 ] || { echo "usage: $0 OUT_DIR PATCH" >&2; exit 2; }
out=$(mkdir -p "$1" && cd "$1" && pwd)
patch_file=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
work="$out/work"
log="$out/engine-build.log"

fail() {
    echo "build-codec-engine: $1 (log: $log)" >&2
    tail -n 20 "$log" >&2 || true
    exit 1
}

version=$(dpkg-query -W -f='${source:Version}' libsqlite3-dev 2>/dev/null) ||
    fail "libsqlite3-dev is not installed; run scripts/install-deps.sh"
upstream=${version%-*}

rm -rf "$work"
mkdir -p "$work"
: >"$log"
cd "$work"
# The exact source of the installed library first; the registry keeps only its newest revision,
# so fall back to whatever revision it serves of the same upstream version.
if ! apt-get source -q --only-source "sqlite3=$version" >>"$log" 2>&1; then
    echo "falling back to the served revision of sqlite3 $upstream" >>"$log"
    apt-get source -q --only-source sqlite3 >>"$log" 2>&1 ||
        fail "apt-get source sqlite3 failed; are source entries enabled (scripts/enable-deb-src.sh)?"
fi
src="$work/sqlite3-$upstream"
[ -d "$src" ] || fail "the fetched source is not sqlite3 $upstream"

patch -d "$src" -p1 --forward --batch <"$patch_file" >>"$log" 2>&1 ||
    fail "the page-codec hook patch does not apply to sqlite3 $version"

mkdir "$work/build"
cd "$work/build"
"$src/configure" --disable-tcl --disable-readline --disable-shared >>"$log" 2>&1 ||
    fail "configure failed"
make sqlite3.c >>"$log" 2>&1 || fail "generating sqlite3.c failed"
grep -q "sqlite3PagerSetCodec" sqlite3.c || fail "the generated source lacks the codec hooks"

cp sqlite3.c sqlite3.h "$out/"
cd "$out"
rm -rf "$work"

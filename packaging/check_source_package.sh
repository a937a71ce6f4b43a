#!/usr/bin/env bash
# Makes the source tarball from a build tree's CPackSourceConfig.cmake and checks it
# holds the tree a fresh machine needs, without build folders or version control.
#
#   check_source_package.sh BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
build=$1
source=$2
version=$3

work=$(mktemp -d "${TMPDIR:-/tmp}/verimond-source.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

if ! "${CPACK:-cpack}" --config "$build/CPackSourceConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    fail "cpack of the sources failed"
fi
tarball="$work/out/verimond-$version.tar.gz"
[ -f "$tarball" ] || fail "expected $tarball, cpack made: $(ls "$work/out")"
tar -tzf "$tarball" >"$work/entries"
# Every entry lies inside the one top folder.
outside=$(grep -v "^verimond-$version/" "$work/entries" || true)
[ -z "$outside" ] || fail "entries outside verimond-$version/: $(head -n 5 <<<"$outside")"
sed "s|^verimond-$version/||" "$work/entries" | sort >"$work/list"

for needed in CMakeLists.txt README.md .ci/run .clang-format scripts/run.sh scripts/test.sh \
    scripts/install-deps.sh packaging/CMakeLists.txt packaging/verimond.desktop \
    resources/help.html app/main.cpp tests/CMakeLists.txt; do
    grep -qx -- "$needed" "$work/list" || fail "the tarball lacks $needed"
done
# Nothing under version control is left out (when the tree is a git checkout).
if git -C "$source" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    while IFS= read -r -d '' tracked; do
        [ -e "$source/$tracked" ] || continue # deleted in the working tree
        grep -qxF -- "$tracked" "$work/list" || fail "the tarball leaves out $tracked"
    done < <(git -C "$source" ls-files -z)
fi
unwanted=$(grep -E '(^|/)\.git(/|$)|^build[^/]*(/|$)|(^|/)CMakeCache\.txt$|(^|/)_CPack_Packages(/|$)|\.deb$' \
    "$work/list" || true)
[ -z "$unwanted" ] || fail "the tarball holds: $(head -n 5 <<<"$unwanted")"
echo "source package checked: $(basename "$tarball"), $(wc -l <"$work/list") entries"

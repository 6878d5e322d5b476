# Shared by the packaging checks: install the build into a throwaway prefix.
# Usage from a check: . common.sh after setting build and source from "$1" "$2".
set -eu

build=${1:?build folder}
source=${2:?source folder}
app_id=org.example.Zaplino

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
finish() {
    [ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
    echo "all checks passed"
}
need_tool() {
    command -v "$1" >/dev/null 2>&1 || { echo "SKIP: $1 is not installed"; exit 77; }
}
install_prefix() {
    "${CMAKE:-cmake}" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
        { cat "$work/install.log" >&2; echo "FAIL: cmake --install" >&2; exit 1; }
}

#!/usr/bin/env bash
# Every Debian package the scripts install, the CI-only ones included, is named without
# a version and is known to apt on this release: a versioned name (clang-14) that is
# gone from the next release stops ./play.sh there before anything is built.
set -u
source=${1:?source folder}
lists=(/var/lib/apt/lists/*_Packages*)
[ -e "${lists[0]}" ] || { echo "SKIP: apt's package lists are empty (apt-get update)"; exit 77; }

# The names in the scripts' package arrays and in their install_missing_packages lines.
names=$(awk '/^[a-z_]*packages=\($/ { list = 1; next }
             list && /^\)/ { list = 0 }
             list { sub(/#.*/, ""); print }
             /^ *install_missing_packages [a-z]/ { sub(/^ *install_missing_packages /, ""); print }' \
            "$source"/scripts/*.sh | tr -s ' \t' '\n' | grep -v '^$' | sort -u)
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

for name in clang lintian qt6-base-dev xvfb; do
    grep -qx -e "$name" <<<"$names" || fail "$name is not among the names read from scripts/"
done
# One apt-cache call: each loads the whole package cache. Unknown names are left out.
available=$(apt-cache policy $names 2>/dev/null |
    awk '/^[^ ]+:$/ { name = substr($1, 1, length($1) - 1) }
         /^  Candidate:/ && $2 != "(none)" { print name }')
for name in $names; do
    case $name in *-[0-9]*) fail "$name names a version" ;; esac
    grep -qx -e "$name" <<<"$available" || fail "$name cannot be installed from apt's sources here"
done
[ "$failures" -eq 0 ] || exit 1
echo "$(wc -w <<<"$names") package names checked"

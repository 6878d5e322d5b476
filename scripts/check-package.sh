#!/usr/bin/env bash
# Builds the Debian source and binary packages from debian/ as a distribution does
# (dpkg-buildpackage on the committed sources, with only build-essential and the
# declared build dependencies installed before the build), checks them with lintian,
# then builds them again with another path, time, time zone, locale, umask and user
# and checks that the .deb files come out byte for byte the same.
#   scripts/check-package.sh --autopkgtest
#                installs the package built before and runs its autopkgtest
#                (debian/tests) against it, as root: it changes the system (CI does it).
#   PACKAGE_DIR  the folder for the builds (default build-package)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
step() { printf '\n== package: %s\n' "$1"; }

folder=$(realpath -m "${PACKAGE_DIR:-build-package}")
case "${1-}" in
    --autopkgtest)
        changes=$(ls "$folder"/first/zaplino_*.changes 2>/dev/null) ||
            { echo "check-package: no package built in $folder yet" >&2; exit 1; }
        step "autopkgtest against the installed package"
        install_missing_packages autopkgtest
        # The null server runs the tests on this system: apt installs the package and
        # the tests' dependencies.
        rc=0
        rm -rf "$folder/autopkgtest"
        autopkgtest --output-dir "$folder/autopkgtest" "$changes" -- null || rc=$?
        [ "$rc" = 0 ] || { echo "autopkgtest failed (status $rc)" >&2; exit 1; }
        echo "autopkgtest passed"
        exit 0
        ;;
    "") ;;
    *) echo "usage: $0 [--autopkgtest]" >&2; exit 2 ;;
esac
rm -rf "$folder"
first=$folder/first
# Longer than the first: paths must leave no trace in the package. Without spaces:
# dpkg-buildflags maps the build path out of the program only where it has none.
second=$folder/second-build-elsewhere
mkdir -p "$first" "$second"

# The committed sources only: a clean clone has nothing else (a tree without git is one).
export_sources() {
    mkdir -p "$1"
    if command -v git >/dev/null 2>&1 && git rev-parse --git-dir >/dev/null 2>&1; then
        git archive HEAD | tar -x -C "$1"
    else
        tar -c --exclude=./.git --exclude='./build*' . | tar -x -C "$1"
    fi
}
source_name=zaplino-$(dpkg-parsechangelog -S Version 2>/dev/null || sed -n '1s/^zaplino (\(.*\)).*/\1/p' debian/changelog)
export_sources "$first/$source_name"

step "build dependencies"
install_missing_packages build-essential dpkg-dev
install_build_dependencies "$first/$source_name"

step "dpkg-buildpackage (source and binary, with the build-time tests)"
(cd "$first/$source_name" && dpkg-buildpackage -us -uc -j"$(nproc)") >"$first/build.log" 2>&1 ||
    { tail -n 60 "$first/build.log" >&2; echo "dpkg-buildpackage failed; its log: $first/build.log" >&2; exit 1; }
changes=$(ls "$first"/zaplino_*.changes)
ls "$first"

step "lintian"
install_missing_packages lintian
# The project has no web site, so the AppStream file names no homepage. AppStream 1.0
# (Debian 13) warns about that, and lintian reports any warning of appstreamcli as one
# tag, which Debian 12's lintian does not know (an override would be an error there):
# the tag is let through only where the missing homepage is all appstreamcli finds.
suppress=()
if command -v appstreamcli >/dev/null 2>&1; then
    unpacked=$folder/unpacked
    dpkg-deb -x "$(ls "$first"/zaplino_*.deb)" "$unpacked"
    if ! appstreamcli validate-tree --no-net "$unpacked" >"$folder/appstream.log" 2>&1 &&
        grep -q ': url-homepage-missing$' "$folder/appstream.log" &&
        ! grep -E '^ *[EW]: ' "$folder/appstream.log" | grep -qv ': url-homepage-missing$'; then
        suppress=(--suppress-tags appstream-metadata-validation-failed)
        echo "AppStream: no homepage, as the project has none (url-homepage-missing)"
    fi
fi
# Errors and warnings fail; pedantic tags are shown so that each is mended or
# overridden with its reason in debian/*lintian-overrides.
lintian --fail-on error,warning --pedantic --display-info "${suppress[@]}" "$changes"
echo "lintian: no errors or warnings"

step "second build: other path, time, time zone, locale, umask and user"
install_missing_packages faketime
export_sources "$second/$source_name"
# An unprivileged user of its own: Rules-Requires-Root: no lets it build without fakeroot.
chown -R nobody:nogroup "$second"
(cd "$second/$source_name" && umask 0002 &&
    setpriv --reuid=nobody --regid=nogroup --clear-groups \
        env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME="$second" LC_ALL=C LANG=C TZ=ABC-14 \
        DEB_BUILD_OPTIONS="nocheck parallel=$(nproc)" \
        faketime -f '+398d' dpkg-buildpackage -us -uc -b) >"$folder/second.log" 2>&1 ||
    { tail -n 60 "$folder/second.log" >&2; echo "the second build failed; its log: $folder/second.log" >&2; exit 1; }
same=true
for deb in "$first"/*.deb; do
    other="$second/$(basename "$deb")"
    if cmp "$deb" "$other"; then
        echo "identical: $(basename "$deb")"
    else
        same=false
        if command -v diffoscope >/dev/null 2>&1; then
            diffoscope "$deb" "$other" || true
        else
            diff <(dpkg-deb -c "$deb") <(dpkg-deb -c "$other") || true
        fi
    fi
done
$same || { echo "the two builds differ" >&2; exit 1; }

echo "package checks passed"

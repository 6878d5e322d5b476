#!/usr/bin/env bash
# Builds the Debian package from the build folder (default build/, as ./test.sh
# leaves it) and checks it with lintian: any error or warning fails.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
source scripts/packages.sh
install_missing_packages lintian

rm -f "$build_dir"/zaplino_*.deb
(cd "$build_dir" && cpack -G DEB >/dev/null)
package=$(ls "$build_dir"/zaplino_*.deb)
echo "Checking $package with lintian"
lintian --fail-on error,warning --display-info "$package"
echo "lintian: no errors or warnings"

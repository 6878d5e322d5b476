#!/usr/bin/env bash
# Installs the Debian packages Zaplino needs (Debian 12 or 13), then configures and builds it.
#   scripts/setup.sh           what building and playing need (./play.sh)
#   scripts/setup.sh --tests   that and what the tests need (./test.sh)
# What only CI needs (lintian, clang) its own scripts install. The file servers of the
# shared-folder test (Samba, NFS) start system services when installed, so they come
# only on request: ZAPLINO_SHARE_SERVERS=1 (CI sets it); without them the test skips.
set -euo pipefail
cd "$(dirname "$0")/.."

# Unversioned names only: the versioned ones differ between Debian releases.
build_packages=(
    cmake ninja-build g++ pkg-config dpkg-dev
    qt6-base-dev qt6-svg-dev libgl-dev libxcb1-dev
)
play_packages=(
    fonts-liberation2 fonts-dejavu-core
    qt6-wayland
)
test_packages=(
    make
    xvfb openbox xdotool x11-utils
    desktop-file-utils appstream man-db
    libbenchmark-dev
    sway wtype
    dbus-daemon at-spi2-core python3-pyatspi
)
share_packages=(
    samba smbnetfs nfs-ganesha nfs-ganesha-vfs rpcbind gvfs-fuse gvfs-backends gvfs-daemons
    libglib2.0-bin dbus fuse3 util-linux iproute2 coreutils
)

packages=("${build_packages[@]}" "${play_packages[@]}")
case "${1-}" in
    --tests)
        packages+=("${test_packages[@]}")
        [ "${ZAPLINO_SHARE_SERVERS-}" != 1 ] || packages+=("${share_packages[@]}")
        ;;
    "") ;;
    *) echo "usage: $0 [--tests]" >&2; exit 2 ;;
esac
source scripts/packages.sh
install_missing_packages "${packages[@]}"

build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j "$(nproc)"

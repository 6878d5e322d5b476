#!/usr/bin/env bash
# Installs what building, running and testing Zaplino needs on Debian 12, then configures and builds.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    cmake ninja-build make g++ pkg-config
    qt6-base-dev qt6-svg-dev libgl-dev libxcb1-dev
    xvfb openbox xdotool x11-utils
    qt6-wayland sway wtype
    dbus-daemon at-spi2-core python3-gi gir1.2-atspi-2.0 python3-pyatspi
    fonts-liberation2 fonts-dejavu-core
    desktop-file-utils appstream dpkg-dev man-db lintian
    libbenchmark-dev
    clang-14 libclang-rt-14-dev
    samba smbnetfs nfs-ganesha nfs-ganesha-vfs rpcbind gvfs-fuse gvfs-backends gvfs-daemons
    libglib2.0-bin dbus fuse3 util-linux iproute2 coreutils
)
source scripts/packages.sh
install_missing_packages "${packages[@]}"

build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j "$(nproc)"

#!/usr/bin/env bash
# Builds and checks the Debian package (scripts/check-package.sh) while only
# build-essential and the package's build dependencies are installed, runs the README's
# ./test.sh, then the package's autopkgtest, as root in a fresh minimal Debian 13 made
# with debootstrap, on a clean clone of the checkout's HEAD. Everything
# stays in one folder of the build tree: the Debian tree, debootstrap's download cache
# and apt's downloaded packages (kept for the next run; the tree itself is made anew).
#   DEBIAN13_DIR   the folder (default build-debian13)
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "ci-debian13: must run as root (debootstrap, chroot, mounts)" >&2; exit 1; }

source scripts/packages.sh
install_missing_packages debootstrap git

folder=$(realpath -m "${DEBIAN13_DIR:-build-debian13}")
tree=$folder/tree
mkdir -p "$folder/debootstrap-cache" "$folder/apt-archives"

stage() { printf '\n== Debian 13: %s (%d s so far)\n' "$1" "$SECONDS"; }

# Every mount point under the tree, deepest first: this run's, and any an aborted run left.
mounts_in_tree() {
    awk -v tree="$tree/" 'index($2 "/", tree) == 1 { print $2 }' /proc/self/mounts | sort -r
}
# Processes the tests left running in the tree keep its mounts busy.
stop_tree_processes() {
    local root
    for root in /proc/[0-9]*/root; do
        [ "$(readlink "$root" 2>/dev/null)" = "$tree" ] || continue
        root=${root%/root}
        kill -KILL "${root#/proc/}" 2>/dev/null || true
    done
}
unmount_tree() {
    local point
    stop_tree_processes
    while IFS= read -r point; do
        umount "$point" 2>/dev/null || umount --lazy "$point"
    done < <(mounts_in_tree)
}
trap unmount_tree EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
unmount_tree

stage "Fresh tree"
# A tree with something still mounted in it must not be removed (it would reach the host's /dev).
[ -z "$(mounts_in_tree)" ] || { echo "ci-debian13: still mounted in $tree" >&2; exit 1; }
rm -rf --one-file-system "$tree"
# The host's own Debian mirror; debootstrap's default where apt names none.
mirror=$(apt-get indextargets --format '$(LABEL) $(RELEASE) $(CODENAME) $(REPO_URI)' 2>/dev/null |
    awk '$1 == "Debian" && $2 !~ /-/ { print $4; exit }')
debootstrap --variant=minbase --cache-dir="$folder/debootstrap-cache" trixie "$tree" ${mirror:+"$mirror"} \
    >"$folder/debootstrap.log" 2>&1 || { tail -n 30 "$folder/debootstrap.log" >&2; exit 1; }

mount_in_tree() {
    local point=$tree/$1
    shift
    mount "$@" "$point"
    # Mounts below a bind must not spread back to the host.
    mount --make-rslave "$point"
}
# The tree's root a mount point of its own: in a chroot, a test can only make its mount
# namespace private (the Wayland test hides a Qt plugin so) below one.
mount_in_tree . --bind "$tree"
mount_in_tree proc -t proc proc
mount_in_tree sys -t sysfs sysfs
mount_in_tree dev --bind /dev
mount_in_tree dev/pts --bind /dev/pts
mount_in_tree dev/shm -t tmpfs -o mode=1777,nosuid,nodev tmpfs
mount_in_tree var/cache/apt/archives --bind "$folder/apt-archives"

# Not under /root: the Wayland test runs the game as nobody, who must reach the build.
git clone --quiet --no-hardlinks . "$tree/srv/zaplino"
git -C "$tree/srv/zaplino" log -1 --format='Testing %h %s'

in_tree() {
    chroot "$tree" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        bash -c "cd /srv/zaplino && $1"
}
# Before ./test.sh installs its packages: the build must need nothing undeclared.
stage "scripts/check-package.sh"
in_tree scripts/check-package.sh
stage "./test.sh"
in_tree ./test.sh
stage "scripts/check-package.sh --autopkgtest"
in_tree "scripts/check-package.sh --autopkgtest"
stage "Done"

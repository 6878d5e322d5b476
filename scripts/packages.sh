# Sourced by the scripts: installs the Debian packages given that are not installed yet.
# Prints what it installs, apt's warnings and errors, and apt's whole report only on failure.
install_missing_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    echo "Installing: ${missing[*]}"
    apt_install install "${missing[@]}"
}

# Installs the build dependencies of the source package in the folder given that are
# not installed yet; apt reads them from its debian/control.
install_build_dependencies() {
    (cd "$1" && dpkg-checkbuilddeps) >/dev/null 2>&1 && return 0
    echo "Installing the build dependencies of $1"
    apt_install build-dep "$(realpath "$1")"
}

apt_install() {
    # sudo drops variables set in front of it, so env passes the front end through;
    # without it debconf would try to ask questions on the terminal.
    # Another apt run (an update manager, say) holds the lock for a while: wait for it.
    local apt=(env DEBIAN_FRONTEND=noninteractive apt-get -q -o Dpkg::Use-Pty=0 -o DPkg::Lock::Timeout=600)
    [ "$(id -u)" -eq 0 ] || apt=(sudo "${apt[@]}")
    local log status=0
    log=$(mktemp)
    { "${apt[@]}" update && "${apt[@]}" "$1" -y --no-install-recommends "${@:2}"; } >"$log" 2>&1 ||
        status=$?
    if [ "$status" -ne 0 ]; then
        cat "$log" >&2
        echo "Installing the packages failed." >&2
    else
        grep -E '^(W|E): |^[0-9]+ upgraded, [0-9]+ newly installed' "$log" || true
    fi
    rm -f "$log"
    return "$status"
}

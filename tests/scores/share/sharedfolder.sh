#!/usr/bin/env bash
# Games on two computers saving won rounds into one folder on a real network share:
#   smbnetfs  Samba mounted through smbnetfs
#   nfs-gvfs  NFSv3 from nfs-ganesha mounted through gvfsd-fuse
#   smb-gvfs  Samba mounted through gvfsd-fuse
# Every computer is a UTS + mount + PID namespace with a host name, a machine id and a
# FUSE client of its own; computer C is a clone of A (same machine id, other host name).
# Everything runs in a network, mount and PID namespace of its own, so the servers
# listen on its loopback only and nothing outlives the test.
#
#   sharedfolder.sh SHARESAVER [SETUP...]     (all three set-ups by default)
#
# Works in ./sharedfolder (the build tree under CTest): logs, server folders, the
# saver's output per case. Checks marked [new protocol] fail with the lock file and
# the unbounded file work of today; they hold only with a lock protocol made for
# these file systems and saves that give up in time. They run all the same.
set -u
SKIP=77
skip() { echo "skipped: $*"; exit $SKIP; }

if [ "${2:-}" != --inside ]; then
    [ $# -ge 1 ] && [ -x "$1" ] || { echo "usage: $0 SHARESAVER [SETUP...]" >&2; exit 2; }
    saver=$(realpath "$1"); shift
    [ "$(id -u)" -eq 0 ] || skip "needs root for the namespaces, the FUSE mounts and the servers"
    [ -c /dev/fuse ] || skip "no /dev/fuse"
    for tool in unshare nsenter ip timeout smbd smbpasswd smbnetfs ganesha.nfsd rpcbind \
                dbus-daemon gio /usr/libexec/gvfsd /usr/libexec/gvfsd-fuse; do
        command -v "$tool" >/dev/null || skip "$tool is missing (ZAPLINO_SHARE_SERVERS=1 ./test.sh installs the servers)"
    done
    [ -n "$(find /usr/lib -name libfsalvfs.so -print -quit)" ] || skip "nfs-ganesha-vfs is missing"
    unshare --net --mount --pid --fork true 2>/dev/null || skip "no namespaces here"
    work=$PWD/sharedfolder
    rm -rf "$work" && mkdir -p "$work" || exit 1
    # --kill-child: however the test ends, the namespace's first process dies, and
    # with it every server, client and saver. unshare itself ignores SIGTERM and
    # SIGINT, so they are passed on as SIGKILL.
    unshare --net --mount --pid --fork --kill-child --mount-proc \
        bash "$0" "$saver" --inside "$work" "$@" &
    inner=$!
    trap 'kill -KILL "$inner"' INT TERM HUP
    while :; do
        wait "$inner"
        status=$?
        kill -0 "$inner" 2>/dev/null || exit "$status"
    done
fi

saver=$1 work=$3
shift 3
setups=("$@")
[ ${#setups[@]} -gt 0 ] || setups=(smbnetfs nfs-gvfs smb-gvfs)
cd "$work" || exit 1

ip link set lo up
# rpcbind keeps its socket and state under /run; ours must not meet the machine's.
mount -t tmpfs tmpfs /run && mkdir -p /run/rpcbind /run/ganesha
# The share's own user, known only inside the namespace.
cp /etc/passwd /etc/group "$work"/
echo "zshare:x:4242:4242::/nonexistent:/usr/sbin/nologin" >>"$work/passwd"
echo "zshare:x:4242:" >>"$work/group"
mount --bind "$work/passwd" /etc/passwd && mount --bind "$work/group" /etc/group

# We are the namespace's first process: whatever is left when we end dies with us.
trap 'exec 2>/dev/null; jobs -p | xargs -r kill -KILL' EXIT
trap 'exit 1' INT TERM

declare -A nsinit=()
# Ends a set-up however it ends: the server woken, the mounts gone, the computers off.
teardown() { # SETUP
    local key pid
    for pid in $(server_tree "$1"); do kill -CONT "$pid" 2>/dev/null; done
    for key in "${!nsinit[@]}"; do
        on "${key%/*}" "${key#*/}" sh -c 'umount -l "$1"/mnt "$1"/run/gvfs' - "$work/$key" 2>/dev/null
        kill -KILL "${nsinit[$key]}" 2>/dev/null
    done
    stop_server "$1" 2>/dev/null
}

now_ms() { date +%s%3N; }
port_in_use() { grep -qi "$(printf ':%04X ' "$1")" /proc/net/tcp /proc/net/tcp6 /proc/net/udp /proc/net/udp6; }
free_port() {
    local p
    while :; do
        p=$((20000 + RANDOM % 40000))
        port_in_use "$p" || { echo "$p"; return; }
    done
}
wait_for() { # SECONDS COMMAND...: true once the command succeeds
    local end=$(($(date +%s) + $1))
    shift
    until "$@" 2>/dev/null; do
        [ "$(date +%s)" -lt "$end" ] || return 1
        sleep 0.2
    done
}
random_id() { od -An -N16 -tx1 /dev/urandom | tr -d ' \n'; }
# A process and everything it started.
process_tree() {
    local pid=$1 child
    echo "$pid"
    for child in $(cat /proc/"$pid"/task/*/children 2>/dev/null); do process_tree "$child"; done
}

# computer SETUP NAME HOST MACHINE_ID: a namespace that lives until the test ends,
# with a boot id of its own.
computer() {
    local key=$1/$2 dir=$work/$1/$2
    mkdir -p "$dir/mnt" "$dir/home" "$dir/run" && chmod 700 "$dir/run"
    echo "$4" >"$dir/machine-id"
    # Each computer booted on its own, clones too.
    cat /proc/sys/kernel/random/uuid >"$dir/boot-id"
    unshare --uts --mount --pid --fork --mount-proc bash -c '
        hostname "$1" && mount --bind "$2" /etc/machine-id || exit 1
        [ ! -e /var/lib/dbus/machine-id ] || mount --bind "$2" /var/lib/dbus/machine-id
        mount --bind "$3" /proc/sys/kernel/random/boot_id
        touch "$4"; exec sleep infinity' - "$3" "$dir/machine-id" "$dir/boot-id" "$dir/ready" \
        >>"$dir/computer.log" 2>&1 &
    local outer=$!
    wait_for 10 test -e "$dir/ready" || { echo "computer $key did not start"; return 1; }
    nsinit[$key]=$(tr -d " " </proc/$outer/task/$outer/children)
}
# on SETUP NAME COMMAND...: runs the command in that computer.
on() {
    local key=$1/$2
    shift 2
    nsenter --target "${nsinit[$key]}" --uts --mount --pid -- "$@"
}

# --- servers ---------------------------------------------------------------------

declare -A smbd_pid=() smb_port=() smb_pass=()
start_smbd() { # SETUP
    local s=$1 dir=$work/$1/samba
    if [ -z "${smb_port[$s]:-}" ]; then
        smb_port[$s]=$(free_port)
        smb_pass[$s]=$(random_id)
        mkdir -p "$dir"/{private,lock,state,cache,pid,log} "$work/$s/served"
        chown 4242:4242 "$work/$s/served"
        cat >"$dir/smb.conf" <<EOF
[global]
    smb ports = ${smb_port[$s]}
    interfaces = lo
    bind interfaces only = yes
    disable netbios = yes
    server role = standalone server
    server min protocol = SMB2
    passdb backend = tdbsam:$dir/private/passdb.tdb
    private dir = $dir/private
    lock directory = $dir/lock
    state directory = $dir/state
    cache directory = $dir/cache
    pid directory = $dir/pid
    ncalrpc dir = $dir/state/ncalrpc
    log file = $dir/log/smbd.log
    log level = 1
    load printers = no
    printcap name = /dev/null
    disable spoolss = yes
[share]
    path = $work/$s/served
    read only = no
EOF
        printf '%s\n%s\n' "${smb_pass[$s]}" "${smb_pass[$s]}" |
            smbpasswd -c "$dir/smb.conf" -s -a zshare >"$dir/log/smbpasswd.log" 2>&1 ||
            { cat "$dir/log/smbpasswd.log"; return 1; }
    fi
    # A group of its own: smbd signals its whole process group when it stops.
    setsid smbd --foreground --no-process-group -s "$dir/smb.conf" >>"$dir/log/smbd.out" 2>&1 &
    smbd_pid[$s]=$!
    wait_for 15 port_in_use "${smb_port[$s]}" || { echo "smbd did not listen"; return 1; }
}
stop_smbd() { kill -TERM "${smbd_pid[$1]}"; wait "${smbd_pid[$1]}" 2>/dev/null; }
server_tree() { # SETUP: the server's processes
    case $1 in
        nfs-gvfs) process_tree "$ganesha_pid" ;;
        *) process_tree "${smbd_pid[$1]}" ;;
    esac
}

ganesha_pid='' nfs_port=''
start_rpcbind() {
    [ -n "${rpcbind_started:-}" ] && return 0
    mkdir -p "$work/rpcbind"
    # Its -h aborts on Debian 12 (a double free); this namespace has no address but
    # loopback anyway, so its wildcard sockets reach no further.
    rpcbind -f >"$work/rpcbind/out" 2>&1 &
    wait_for 10 port_in_use 111 || { echo "rpcbind did not listen"; return 1; }
    rpcbind_started=1
}
start_ganesha() {
    local dir=$work/nfs-gvfs/ganesha
    if [ -z "$nfs_port" ]; then
        nfs_port=$(free_port)
        mkdir -p "$dir/recovery" "$work/nfs-gvfs/served"
        # No Bind_addr: it asks for an address only where a non-loopback one exists
        # (AI_ADDRCONFIG); this namespace has loopback alone, so the wildcard is it.
        cat >"$dir/ganesha.conf" <<EOF
NFS_CORE_PARAM {
    NFS_Port = $nfs_port;
    MNT_Port = $(free_port);
    NLM_Port = $(free_port);
    Rquota_Port = $(free_port);
    Enable_RQUOTA = false;
    Protocols = 3;
}
NFSV4 {
    RecoveryRoot = $dir/recovery;
    Graceless = true;
}
EXPORT_DEFAULTS {
    Access_Type = RW;
    Squash = No_Root_Squash;
}
EXPORT {
    Export_Id = 1;
    Path = $work/nfs-gvfs/served;
    Pseudo = /served;
    Protocols = 3;
    Transports = TCP;
    SecType = sys;
    # Case folders and lists are made on the served folder itself: no cached attributes hide them.
    Attr_Expiration_Time = 0;
    FSAL { Name = VFS; }
}
LOG { Default_Log_Level = WARN; }
EOF
    fi
    setsid ganesha.nfsd -F -f "$dir/ganesha.conf" -L "$dir/ganesha.log" -p "$dir/ganesha.pid" \
        >>"$dir/ganesha.out" 2>&1 &
    ganesha_pid=$!
    wait_for 20 port_in_use "$nfs_port" || { echo "ganesha did not listen"; cat "$dir/ganesha.log"; return 1; }
}
stop_ganesha() { kill -TERM "$ganesha_pid"; wait "$ganesha_pid" 2>/dev/null; }
start_server() { case $1 in nfs-gvfs) start_ganesha ;; *) start_smbd "$1" ;; esac; }
stop_server() { case $1 in nfs-gvfs) stop_ganesha ;; *) stop_smbd "$1" ;; esac; }

# --- clients: mount SETUP NAME sets folder[SETUP/NAME] ------------------------------

declare -A folder=()
mount_smbnetfs() {
    local s=$1 n=$2 dir=$work/$1/$2
    mkdir -p "$dir/home/.smb"
    printf '[global]\n    client min protocol = SMB2\n' >"$dir/home/.smb/smb.conf"
    printf 'auth "zshare" "%s"\nsmb_query_browsers "false"\n' "${smb_pass[$s]}" >"$dir/home/.smb/smbnetfs.conf"
    chmod 600 "$dir/home/.smb/"*
    on "$s" "$n" env HOME="$dir/home" smbnetfs "$dir/mnt" -o log_file="$dir/smbnetfs.log" \
        >"$dir/smbnetfs.out" 2>&1 || return 1
    folder[$s/$n]="$dir/mnt/127.0.0.1:${smb_port[$s]}/share"
}
gvfs_env() { # SETUP NAME
    local dir=$work/$1/$2
    echo HOME="$dir/home" XDG_RUNTIME_DIR="$dir/run" DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/run/bus"
}
mount_gvfs() { # SETUP NAME URI [credentials on stdin]
    local s=$1 n=$2 uri=$3 dir=$work/$1/$2
    # shellcheck disable=SC2046
    on "$s" "$n" env $(gvfs_env "$s" "$n") dbus-daemon --session --fork \
        --address="unix:path=$dir/run/bus" >"$dir/dbus.out" 2>&1 || return 1
    # gvfsd starts gvfsd-fuse on $XDG_RUNTIME_DIR/gvfs.
    on "$s" "$n" env $(gvfs_env "$s" "$n") timeout 30 gio mount "$uri" >"$dir/gio.out" 2>&1 || {
        cat "$dir/gio.out"
        return 1
    }
    wait_for 10 on "$s" "$n" sh -c '[ -n "$(ls "$1")" ]' - "$dir/run/gvfs" || return 1
    folder[$s/$n]="$dir/run/gvfs/$(on "$s" "$n" ls "$dir/run/gvfs" | head -1)"
}
mount_client() { # SETUP NAME
    case $1 in
        smbnetfs) mount_smbnetfs "$1" "$2" ;;
        nfs-gvfs) mount_gvfs "$1" "$2" "nfs://127.0.0.1$work/nfs-gvfs/served" </dev/null ;;
        smb-gvfs) mount_gvfs "$1" "$2" "smb://127.0.0.1:${smb_port[$1]}/share" \
                      < <(printf 'zshare\nWORKGROUP\n%s\n' "${smb_pass[$1]}") ;;
    esac
}

# --- checks ------------------------------------------------------------------------

check() { # SETUP EXPECTATION(today|new) TEXT COMMAND...
    local s=$1 mark=$2 text=$3
    shift 3
    local note=''
    [ "$mark" = new ] && note=' [new protocol]'
    if "$@"; then
        echo "$s: ok$note: $text"
    else
        echo "$s: FAILED$note: $text"
        echo "$s$note: $text" >>"$work/$s/failures"
    fi
}
# Each round of the tag in the file exactly once.
rounds_once() { # FILE TAG FIRST COUNT
    local n count bad=0
    for ((n = $3; n < $3 + $4; ++n)); do
        count=$(grep -c "^>.* $2-$(printf %04d "$n")"$'\r$' "$1" 2>/dev/null)
        [ "${count:-0}" -eq 1 ] || { echo "    $2-$(printf %04d "$n") is in the file ${count:-0} times"; bad=1; }
    done
    return $bad
}
no_lock_left() { # SERVED_CASE_FOLDER
    local left
    left=$(cd "$1" && ls -A | grep '^BESTFANG\.LST\.lock')
    [ -z "$left" ] || { echo "    left behind: $left"; return 1; }
}
saves_within() { # OUT MS: every save reported within the time
    local slow
    slow=$(awk -v max="$2" '$1 == "save" && $4 > max { print "    save " $2 " took " $4 " ms" }' "$1")
    [ -n "$(grep '^save ' "$1")" ] && [ -z "$slow" ] || { echo "${slow:-    no save reported}"; return 1; }
}
first_save() { # OUT FIELD: the first save's outcome ($3) or time ($4)
    awk -v f="$2" '$1 == "save" { print $f; exit }' "$1"
}
first_save_between() { # OUT MIN_MS MAX_MS
    local ms
    ms=$(first_save "$1" 4)
    [ "$(first_save "$1" 3)" = ok ] && [ "$ms" -ge "$2" ] && [ "$ms" -le "$3" ] ||
        { echo "    first save: $(first_save "$1" 3) after ${ms:-?} ms"; return 1; }
}
first_save_failed_within() { # OUT MAX_MS
    local ms
    ms=$(first_save "$1" 4)
    [ "$(first_save "$1" 3)" = failed ] && [ "$ms" -le "$2" ] ||
        { echo "    first save: $(first_save "$1" 3) after ${ms:-?} ms"; return 1; }
}
# Rounds up to the last save reported ok with nothing left unsaved are in the file once;
# later ones (a saver killed meanwhile) at most once.
saved_rounds_once() { # FILE OUT TAG COUNT
    local last n count bad=0
    last=$(awk '$1 == "save" && $3 == "ok" && $5 == "unsaved=0" { last = ($2 == "retry") ? 1e9 : $2 } END { print last + 0 }' "$2")
    for ((n = 1; n <= $4; ++n)); do
        count=$(grep -c "^>.* $3-$(printf %04d "$n")"$'\r$' "$1" 2>/dev/null)
        if [ "$n" -le "$last" ] && [ "${count:-0}" -ne 1 ] || [ "${count:-0}" -gt 1 ]; then
            echo "    $3-$(printf %04d "$n") is in the file ${count:-0} times (saved up to $last)"
            bad=1
        fi
    done
    return $bad
}
only_the_list() { # SERVED_CASE_FOLDER
    local left
    left=$(cd "$1" && ls -A | grep -vx 'BESTFANG\.LST')
    [ -z "$left" ] || { echo "    left behind:" $left; return 1; }
}
saved_after_release() { # OUT HOLDER_OUT: the save ended after the holder let go
    grep -q '^letting go' "$2" && [ "$1" -nt "$2" ] || { echo "    saved before the lock was let go"; return 1; }
}
all_saved() { grep -q '^done saved=[0-9]* unsaved=0$' "$1" || { echo "    $(tail -1 "$1")"; return 1; }; }

# --- cases -------------------------------------------------------------------------

# run SETUP NAME CASE OUTNAME CAP_SECONDS SAVER_ARGS...: the saver in that computer on
# the case's folder, killed after the cap; output in the case's folder of the work tree.
run() {
    local s=$1 n=$2 c=$3 out=$work/$1/cases/$3/$4.out cap=$5
    shift 5
    mkdir -p "$work/$s/cases/$c"
    on "$s" "$n" timeout -s KILL "$cap" "$saver" --dir "${folder[$s/$n]}/$c" "$@" >"$out" 2>&1
}
new_case() { # SETUP CASE: an empty folder on the server
    mkdir -p "$work/$1/served/$2" && chown 4242:4242 "$work/$1/served/$2"
    mkdir -p "$work/$1/cases/$2"
}
out() { echo "$work/$1/cases/$2/$3.out"; }
list() { echo "$work/$1/served/$2/BESTFANG.LST"; }
# hold SETUP NAME CASE [ARGS]: a saver in that computer takes the lock; returns once held.
hold() {
    local s=$1 n=$2 c=$3
    shift 3
    run "$s" "$n" "$c" "hold-$n" 60 --hold-lock "$@" &
    holder=$!
    wait_for 15 grep -q '^holding' "$(out "$s" "$c" "hold-$n")" ||
        { echo "    $n could not take the lock: $(cat "$(out "$s" "$c" "hold-$n")")"; return 1; }
}
# age SETUP NAME CASE WHEN FIND_TESTS...: what the tests pick in the case's folder made
# old through that computer's mount, so that its client and the server hold the times the
# game reads there; touched on the server's disk, the caches would show them young a while.
age() {
    local s=$1 n=$2 c=$3 when=$4
    shift 4
    on "$s" "$n" find "${folder[$s/$n]}/$c" -mindepth 1 "$@" -exec touch -h -d "$when" {} + ||
        { echo "    could not age them through $n's mount"; return 1; }
}
kill_holder() { # SETUP NAME CASE: SIGKILL while it holds the lock
    local pid
    pid=$(awk '/^holding/ { print $2 }' "$(out "$1" "$3" "hold-$2")")
    [ -n "$pid" ] && on "$1" "$2" kill -KILL "$pid" && wait "$holder" 2>/dev/null
}

case_race() {
    local s=$1 mark=$2 start
    new_case "$s" race
    start=$(($(now_ms) + 2000))
    run "$s" A race A 90 --tag A --rounds 10 --start-at "$start" --every-ms 1000 --drain-ms 20000 &
    local other=$!
    run "$s" B race B 90 --tag B --rounds 10 --start-at "$start" --every-ms 1000 --drain-ms 20000
    wait "$other"
    check "$s" "$mark" "20 saves at once from two computers: every round once" \
        eval 'rounds_once "$(list "$s" race)" A 1 10 && rounds_once "$(list "$s" race)" B 1 10'
    check "$s" "$mark" "20 saves at once: all reported saved" \
        eval 'all_saved "$(out "$s" race A)" && all_saved "$(out "$s" race B)"'
    check "$s" "$mark" "20 saves at once: no lock left" no_lock_left "$work/$s/served/race"
}

case_killed() {
    local s=$1 mark=$2 n c
    for n in A B; do
        c=killed-$n
        new_case "$s" "$c"
        hold "$s" A "$c" && kill_holder "$s" A "$c"
        run "$s" "$n" "$c" "$n" 30 --tag "$n" --rounds 1
    done
    check "$s" "$mark" "lock of a killed saver: taken over at once on its computer" \
        eval 'first_save_between "$(out "$s" killed-A A)" 0 2000 && rounds_once "$(list "$s" killed-A)" A 1 1 &&
              no_lock_left "$work/$s/served/killed-A"'
    check "$s" "$mark" "lock of a killed saver: taken over from the other computer after the stale age" \
        eval 'first_save_between "$(out "$s" killed-B B)" 0 10000 && rounds_once "$(list "$s" killed-B)" B 1 1 &&
              no_lock_left "$work/$s/served/killed-B"'
}

case_foreign() {
    local s=$1 mark_fresh=$2 mark_old=$3
    new_case "$s" fresh
    hold "$s" B fresh --hold-ms 3000
    run "$s" A fresh A 30 --tag A --rounds 1
    wait "$holder"
    check "$s" "$mark_fresh" "fresh lock of the other computer: waited for, then saved" \
        eval 'first_save_between "$(out "$s" fresh A)" 0 10000 &&
              saved_after_release "$(out "$s" fresh A)" "$(out "$s" fresh hold-B)" && rounds_once "$(list "$s" fresh)" A 1 1 &&
              no_lock_left "$work/$s/served/fresh"'
    new_case "$s" old
    hold "$s" B old && kill_holder "$s" B old
    # Whatever the lock is made of (a file, a folder and what it holds).
    local aged=0
    age "$s" A old '-60 seconds' -path '*/BESTFANG.LST.lock*' || aged=1
    run "$s" A old A 30 --tag A --rounds 1
    check "$s" "$mark_old" "old lock of the other computer: taken over at once" \
        eval '[ "$aged" = 0 ] && first_save_between "$(out "$s" old A)" 0 2000 && rounds_once "$(list "$s" old)" A 1 1 &&
              no_lock_left "$work/$s/served/old"'
}

case_clone() {
    local s=$1 mark=$2
    new_case "$s" clone
    hold "$s" C clone --hold-ms 4000
    run "$s" A clone A 30 --tag A --rounds 1
    wait "$holder"
    check "$s" "$mark" "live lock of a cloned computer (same machine id): waited for" \
        eval 'first_save_between "$(out "$s" clone A)" 0 10000 &&
              saved_after_release "$(out "$s" clone A)" "$(out "$s" clone hold-C)" && rounds_once "$(list "$s" clone)" A 1 1'
}

# The server stopped, or frozen as by a pulled cable: the save gives up within about
# 10 s and keeps the round, which a later save brings in once the server is back.
case_outage() {
    local s=$1 how=$2 mark=$3 c=$2 pid
    new_case "$s" "$c"
    printf '>   5   10    3 Vorher\r\n' >"$work/$s/served/$c/BESTFANG.LST"
    chown 4242:4242 "$work/$s/served/$c/BESTFANG.LST"
    if [ "$how" = stopped ]; then
        stop_server "$s"
    else
        for pid in $(server_tree "$s"); do kill -STOP "$pid"; done
    fi
    run "$s" A "$c" A 120 --tag A --rounds 1 --every-ms 1000 --drain-ms 60000 &
    local saver_job=$!
    # The other computer's window becomes active meanwhile and reads the list.
    run "$s" B "$c" B 120 --load &
    local reader_job=$!
    # Back once the first save has given up, or after 25 s at the most.
    wait_for 25 grep -q '^save' "$(out "$s" "$c" A)"
    if [ "$how" = stopped ]; then
        start_server "$s"
    else
        for pid in $(server_tree "$s"); do kill -CONT "$pid"; done
    fi
    wait "$saver_job" "$reader_job"
    check "$s" "$mark" "server $how: reading the list gives up within 12 s" \
        eval 'awk '\''$1 == "load" && $3 <= 12000 { found = 1 } END { exit !found }'\'' "$(out "$s" "$c" B)" ||
              { echo "    $(cat "$(out "$s" "$c" B)")"; false; }'
    check "$s" "$mark" "server $how: the save gives up within 12 s" \
        eval 'first_save_failed_within "$(out "$s" "$c" A)" 12000 && saves_within "$(out "$s" "$c" A)" 12000'
    check "$s" today "server $how: the round kept and saved once it is back" \
        eval 'all_saved "$(out "$s" "$c" A)" && rounds_once "$(list "$s" "$c")" A 1 1'
}

# Four savers on two computers, one round every 250 ms each; one of them killed at a
# random moment and another started in its place; the server frozen for longer than the
# stale age while saves are in flight. Every round a saver reported saved is in the list
# once; once the leftovers of the killed saver are old, one more save clears them.
case_chaos() {
    local s=$1 mark=$2 c=chaos start tag pid
    new_case "$s" "$c"
    start=$(($(now_ms) + 2000))
    local -a jobs_of_savers=()
    for tag in A1 A2 B1 B2; do
        run "$s" "${tag:0:1}" "$c" "$tag" 100 --tag "$tag" --rounds 15 --start-at "$start" \
            --every-ms 250 --drain-ms 40000 &
        jobs_of_savers+=($!)
    done
    local victim=${jobs_of_savers[1]}
    sleep 2.8
    local thaw=$(($(now_ms) + 7000 + RANDOM % 1000))
    for pid in $(server_tree "$s"); do kill -STOP "$pid"; done
    sleep "$((RANDOM % 4)).$((RANDOM % 10))"
    for pid in $(process_tree "$victim"); do
        [ "$(cat /proc/"$pid"/comm 2>/dev/null)" = "$(basename "$saver" | cut -c1-15)" ] && kill -KILL "$pid"
    done
    run "$s" A "$c" A3 100 --tag A3 --rounds 15 --every-ms 250 --drain-ms 40000 &
    jobs_of_savers+=($!)
    sleep "$(((thaw - $(now_ms)) / 1000)).$(((thaw - $(now_ms)) % 1000 / 100))"
    for pid in $(server_tree "$s"); do kill -CONT "$pid"; done
    wait "${jobs_of_savers[@]}"
    local file
    file=$(list "$s" "$c")
    check "$s" "$mark" "chaos: every round reported saved is in the list once, none twice" \
        eval '(for tag in A1 A2 A3 B1 B2; do saved_rounds_once "$file" "$(out "$s" "$c" "$tag")" "$tag" 15 || exit 1; done)'
    check "$s" "$mark" "chaos: the savers still running brought every round" \
        eval '(for tag in A1 A3 B1 B2; do all_saved "$(out "$s" "$c" "$tag")" || exit 1; done)'
    # The killed saver's leftovers, folders and all they hold, made old where B sees them.
    local aged=0
    age "$s" B "$c" '-10 minutes' ! -name BESTFANG.LST || aged=1
    run "$s" B "$c" Z 30 --tag Z --rounds 1
    check "$s" "$mark" "chaos: a later save leaves nothing but the list" \
        eval '[ "$aged" = 0 ] && rounds_once "$file" Z 1 1 && only_the_list "$work/$s/served/$c"'
}

run_setup() {
    local s=$1
    mkdir -p "$work/$s"
    : >"$work/$s/failures"
    trap "teardown $s" EXIT
    start_server "$s" || return 1
    local id_a id_b
    id_a=$(random_id) id_b=$(random_id)
    computer "$s" A "$s-a" "$id_a" && computer "$s" B "$s-b" "$id_b" && computer "$s" C "$s-c" "$id_a" || return 1
    # Process numbers of another computer are not ours: C's run far above A's.
    on "$s" C bash -c 'for i in $(seq 300); do :; done & for i in $(seq 300); do true & done; wait'
    local n
    for n in A B C; do
        mount_client "$s" "$n" || { echo "$s: $n could not mount the share"; return 1; }
        wait_for 20 on "$s" "$n" test -d "${folder[$s/$n]}" ||
            { echo "$s: the share is not there for $n"; return 1; }
    done
    # new: fails today on this set-up (the race on smbnetfs not every time).
    local race=today stopped=today
    [ "$s" = smbnetfs ] && race=new
    [ "$s" = nfs-gvfs ] && stopped=new
    wanted race && case_race "$s" "$race"
    wanted killed && case_killed "$s" new
    wanted foreign && case_foreign "$s" today new
    wanted clone && case_clone "$s" today
    wanted stopped && case_outage "$s" stopped "$stopped"
    wanted frozen && case_outage "$s" frozen new
    wanted chaos && case_chaos "$s" new
    return 0
}
# ZAPLINO_SHARE_CASES="chaos race ..." runs only those cases.
wanted() { [ -z "${ZAPLINO_SHARE_CASES:-}" ] || [[ " $ZAPLINO_SHARE_CASES " == *" $1 "* ]]; }

start_rpcbind || exit 1
started=$(date +%s)
# The set-ups share nothing but rpcbind, so they run side by side.
jobs_of_setups=()
for s in "${setups[@]}"; do
    (run_setup "$s" >>"$work/$s.log" 2>&1; echo "exit $?" >>"$work/$s.log") &
    jobs_of_setups+=($!)
done
wait "${jobs_of_setups[@]}"
status=0
for s in "${setups[@]}"; do
    cat "$work/$s.log"
    if [ "$(tail -1 "$work/$s.log")" != "exit 0" ]; then
        echo "$s: the set-up did not come up"
        status=1
    elif [ -s "$work/$s/failures" ]; then
        status=1
    fi
done
echo "took $(($(date +%s) - started)) s; failed:"
cat "$work/"*/failures 2>/dev/null
exit $status

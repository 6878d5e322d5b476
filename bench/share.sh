#!/usr/bin/env bash
# The high-score list on a slow share: Samba on the loopback behind a proxy that holds
# every chunk back by half a round trip each way, mounted by smbnetfs and by gvfs
# (gvfsd-fuse), as a school reaches its server over Wi-Fi, a VPN or a town's data centre.
# Per round trip and client it prints the medians of
#   - a save through the game's store (sharesaver) against the floor (sharefloor: the
#     least a safe shared save must do, in plain calls) on the same mount,
#   - a load through the store against a plain read of the same file,
#   - how long a click on the real window waits while a save is on its way (shareclick),
# then two games saving a round every 400 ms at once on two computers' mounts.
#
#   bench/share.sh [--rtt "0 10 40 100"] [--clients "local smbnetfs gvfs"] [-n 5]
#                  [--slow-n 3] [--clicks 3] [--race-rtt 40] [--no-click] [--no-race]
#                  [--limit-min 60]
#
# -n saves and loads per round trip and client (--slow-n at 100 ms and more); "local"
# is a folder on this disk, measured once. Needs root (namespaces, FUSE, servers).
# Works in build/bench-share (BUILD_DIR=build by default), kept for its logs; all
# servers, mounts and clients live in namespaces of their own and die with the run.
set -u
export LC_ALL=C.UTF-8
root=$(cd "$(dirname "$0")/.." && pwd)

if [ "${1:-}" != --inside ]; then
    rtts="0 10 40 100" clients="local smbnetfs gvfs" n=5 slow_n=3 clicks=3 race_rtt=40
    limit_min=60
    while [ $# -gt 0 ]; do
        case $1 in
            --rtt) rtts=$2; shift ;;
            --clients) clients=$2; shift ;;
            -n) n=$2; shift ;;
            --slow-n) slow_n=$2; shift ;;
            --clicks) clicks=$2; shift ;;
            --race-rtt) race_rtt=$2; shift ;;
            --no-click) clicks=0 ;;
            --no-race) race_rtt='' ;;
            --limit-min) limit_min=$2; shift ;;
            *) sed -n '12,19p' "$0" >&2; exit 2 ;;
        esac
        shift
    done
    build=$root/${BUILD_DIR:-build}
    saver=$build/tests/sharesaver floor=$build/bench/sharefloor click=$build/bench/shareclick
    for program in "$saver" "$floor" "$click"; do
        [ -x "$program" ] || { echo "missing $program: build first (cmake --build ${BUILD_DIR:-build})" >&2; exit 1; }
    done
    [ "$(id -u)" -eq 0 ] || { echo "needs root: namespaces, FUSE mounts and Samba" >&2; exit 1; }
    [ -c /dev/fuse ] || { echo "no /dev/fuse" >&2; exit 1; }
    source "$root/scripts/packages.sh"
    install_missing_packages samba smbnetfs gvfs-fuse gvfs-backends gvfs-daemons dbus xvfb xdotool python3 || exit 1
    work=$build/bench-share
    # One run at a time in a build tree: a second one would clear the first's folder
    # under it. The lock is held until the last process of the run has ended.
    exec 9>"$work.lock"
    flock -n 9 || { echo "another share.sh run is using $work" >&2; exit 1; }
    rm -rf "$work" && mkdir -p "$work" || exit 1
    # --kill-child: however the run ends, the namespace's first process dies, and with
    # it every server, client and game. unshare ignores SIGTERM and SIGINT, so they are
    # passed on as SIGKILL.
    unshare --net --mount --pid --fork --kill-child --mount-proc \
        bash "$0" --inside "$work" "$saver" "$floor" "$click" "$rtts" "$clients" "$n" "$slow_n" \
        "$clicks" "$race_rtt" "$limit_min" &
    inner=$!
    trap 'kill -KILL "$inner" 2>/dev/null' INT TERM HUP EXIT
    while :; do
        wait "$inner"
        status=$?
        kill -0 "$inner" 2>/dev/null || exit "$status"
    done
fi

work=$2 saver=$3 floor=$4 click=$5 rtts=$6 clients=$7 n=$8 slow_n=$9 clicks=${10} race_rtt=${11}
limit_min=${12}
cd "$work" || exit 1

# The servers and computers as the shared-folder test starts them: its functions by name.
take_functions() { # FILE NAME...
    local file=$1 found
    shift
    eval "$(awk -v want=" $* " '
        /^[a-z_]+\(\) *\{/ {
            name = $1; sub(/\(\).*/, "", name)
            take = index(want, " " name " ") > 0
            if (take) print
            if (/\}$/) take = 0
            next
        }
        take { print }
        take && /^\}/ { take = 0 }' "$file")"
    for found in "$@"; do
        declare -F "$found" >/dev/null || { echo "no function $found in $file" >&2; exit 1; }
    done
}
take_functions "$root/tests/scores/share/sharedfolder.sh" now_ms port_in_use free_port wait_for \
    random_id computer on start_smbd mount_smbnetfs gvfs_env mount_gvfs rounds_once
take_functions "$root/tests/support/xserver.sh" start_xvfb

# We are the namespace's first process: whatever is left when we end dies with us.
trap 'exec 2>/dev/null; jobs -p | xargs -r kill -KILL' EXIT
trap 'exit 1' INT
# What was measured until then is shown all the same.
trap 'print_table; exit 1' TERM
# Bounded in time: the limit ends the namespace's first process, and with it the rest.
(sleep "${limit_min}m" && echo "time limit of $limit_min min reached" >&2 && { kill -KILL -1; kill -TERM $$; }) &

ip link set lo up
# X's sockets and lock files stay in the namespace.
mount -t tmpfs tmpfs /tmp
# The share's own user, known only inside the namespace.
cp /etc/passwd /etc/group "$work"/
echo "zshare:x:4242:4242::/nonexistent:/usr/sbin/nologin" >>"$work/passwd"
echo "zshare:x:4242:" >>"$work/group"
mount --bind "$work/passwd" /etc/passwd && mount --bind "$work/group" /etc/group

declare -A nsinit=() smbd_pid=() smb_port=() smb_pass=() folder=() proxy_pid=()
pids=()
log() { echo "$*" >&2; }

# --- set-up ------------------------------------------------------------------------

# Samba for one client, a delaying proxy in front of it, and two computers mounting the
# share through the proxy. "local" is a folder on this disk.
set_up() { # CLIENT
    local s=$1 port name
    mkdir -p "$work/$s"
    if [ "$s" = local ]; then
        mkdir -p "$work/local/served"
        folder[local/A]=$work/local/served
        return 0
    fi
    start_smbd "$s" || return 1
    port=$(free_port)
    echo 0 >"$work/$s/rtt"
    python3 "$root/bench/delayproxy.py" "$port" "${smb_port[$s]}" "$work/$s/rtt" >"$work/$s/proxy.log" 2>&1 &
    proxy_pid[$s]=$!
    wait_for 10 grep -q listening "$work/$s/proxy.log" || { cat "$work/$s/proxy.log"; return 1; }
    # The clients know the share by the proxy's port.
    smb_port[$s]=$port
    for name in A B; do
        computer "$s" "$name" "$s-${name,,}" "$(random_id)" || return 1
        if [ "$s" = smbnetfs ]; then
            mount_smbnetfs "$s" "$name"
        else
            mount_gvfs "$s" "$name" "smb://127.0.0.1:$port/share" \
                < <(printf 'zshare\nWORKGROUP\n%s\n' "${smb_pass[$s]}")
        fi || { log "$s: $name could not mount the share"; return 1; }
        wait_for 20 on "$s" "$name" test -d "${folder[$s/$name]}" ||
            { log "$s: the share is not there for $name"; return 1; }
    done
}

set_rtt() { # CLIENT MS
    [ "$1" = local ] && return 0
    echo "$2" >"$work/$1/rtt"
    kill -HUP "${proxy_pid[$1]}"
}

# A folder on the server with a list of the given number of entries, which sort after
# every round the programs add, so the rounds stay in the first 100.
seed() { # CLIENT CASE ENTRIES
    local dir=$work/$1/served/$2 i
    mkdir -p "$dir"
    for ((i = 1; i <= $3; ++i)); do printf '>  12 %4d    3 Vorrat-%03d\r\n' "$i" "$i"; done >"$dir/BESTFANG.LST"
    [ "$1" = local ] || chown -R 4242:4242 "$dir"
}

# run_on CLIENT COMPUTER COMMAND...: in that computer, killed after two minutes.
run_on() {
    local s=$1 name=$2
    shift 2
    if [ "$s" = local ]; then
        timeout -s KILL 120 "$@"
    else
        on "$s" "$name" timeout -s KILL 120 "$@"
    fi
}

# --- measurements: lines "<what> ok|failed <ms>" in results/<client>-<rtt> ---------------

measure() { # CLIENT RTT COUNT
    local s=$1 rtt=$2 count=$3 c=r$2 i dir out=$work/results/$1-$2
    seed "$s" "$c/store" 100
    seed "$s" "$c/floor" 100
    dir=${folder[$s/A]}/$c
    : >"$out"
    save_store() {
        run_on "$s" A "$saver" --in-folder --dir "$dir/store" --tag S --first "$((i + 1))" --rounds 1 |
            awk '$1 == "save" { print "store", $3, $4 }'
    }
    save_floor() { run_on "$s" A "$floor" --dir "$dir/floor" --save "$((i + 1))" | awk '{ print "floor", $2, $3 }'; }
    load() { run_on "$s" A "$saver" --in-folder --dir "$dir/store" --load | awk '{ print "load", $2, $3 }'; }
    read_plain() { run_on "$s" A "$floor" --dir "$dir/store" --read | awk '{ print "read", $2, $3 }'; }
    # Round 0 looks the folders up and is not counted. The order alternates, so that
    # neither side always finds what the other left in the client's caches.
    for ((i = 0; i <= count; ++i)); do
        if ((i % 2)); then
            { save_floor; save_store; read_plain; load; } >"$work/last"
        else
            { save_store; save_floor; load; read_plain; } >"$work/last"
        fi
        [ "$i" -eq 0 ] || cat "$work/last" >>"$out"
    done
    leftovers "$s" "$c/store" "$c/floor" >>"$out"
}

clicks() { # CLIENT RTT COUNT
    local s=$1 rtt=$2 count=$3 c=click$2 i out=$work/results/$1-$2
    seed "$s" "$c" 100
    for ((i = 1; i <= count; ++i)); do
        run_on "$s" A env -u DBUS_SESSION_BUS_ADDRESS QT_ACCESSIBILITY=0 NO_AT_BRIDGE=1 \
            XDG_RUNTIME_DIR="$work/xdg" HOME="$work/xdg" \
            sh -c 'cd "$1" && exec "$2" --name "$3" --settle-ms "$4"' - "${folder[$s/A]}/$c" "$click" \
            "klick-$rtt-$i" "$((1000 + 20 * rtt))" 2>>"$work/$s/shareclick.log" |
            awk '$1 == "click" { print "click", ($2 == "none" ? "failed" : "ok"), ($2 == "none" ? 0 : $2), $3, $4 }'
    done >>"$out"
    leftovers "$s" "$c" >>"$out"
}

# What is left in case folders besides the list.
leftovers() { # CLIENT CASE...
    local s=$1 c
    shift
    for c in "$@"; do
        (cd "$work/$s/served/$c" && ls -A | grep -vx 'BESTFANG\.LST' | sed "s|^|left $c/|")
    done
}

# Two games on two computers, a round every 400 ms each, 4 rounds each.
race() { # CLIENT RTT
    local s=$1 rtt=$2 c=race$2 start a_job list out=$work/results/$1-race
    seed "$s" "$c" 5
    start=$(($(now_ms) + 2000))
    run_on "$s" A "$saver" --in-folder --dir "${folder[$s/A]}/$c" --tag A --rounds 4 --start-at "$start" \
        --every-ms 400 --drain-ms 30000 >"$work/$s/race-A.out" 2>&1 &
    a_job=$!
    run_on "$s" B "$saver" --in-folder --dir "${folder[$s/B]}/$c" --tag B --rounds 4 --start-at "$start" \
        --every-ms 400 --drain-ms 30000 >"$work/$s/race-B.out" 2>&1
    wait "$a_job"
    list=$work/$s/served/$c/BESTFANG.LST
    {
        echo "rtt $rtt"
        awk '$1 == "save" { print "save", $3, $4 }' "$work/$s/race-A.out" "$work/$s/race-B.out"
        if rounds_once "$list" A 1 4 >"$work/$s/race-rounds" && rounds_once "$list" B 1 4 >>"$work/$s/race-rounds"; then
            echo "rounds once"
        else
            echo "rounds wrong $(tr -s ' \n' ' ' <"$work/$s/race-rounds")"
        fi
        leftovers "$s" "$c"
    } >"$out"
}

# --- the table ---------------------------------------------------------------------

print_table() {
    local s rtt f
    echo
    echo "Share benchmark: medians, store against the floor on the same mount (took $(($(date +%s) - started)) s,"
    echo "load average $(cut -d' ' -f1 /proc/loadavg)). save = one won round through the game's store;"
    echo "floor = lock folder, owner file, read, write + fsync, rename, unlock in plain calls;"
    echo "click = from a real X click on the panel's closing label, right after the result box,"
    echo "until the panel moves (goal: under 50 ms). Failed saves count in the medians with the time"
    echo "they gave up after; >= marks a ratio with failed saves in it."
    printf '%-9s %4s  %-29s %-24s %-10s %s\n' client rtt "save: store / floor" "load: store / read" click "failed, left"
    for s in $clients; do
        for rtt in $rtts; do
            f=$work/results/$s-$rtt
            [ -f "$f" ] || continue
            awk -v s="$s" -v rtt="$rtt" '
                function median(kind,    n, i, j, t, v) {
                    n = 0
                    for (i = 1; i <= count[kind]; ++i) v[++n] = ms[kind, i]
                    for (i = 2; i <= n; ++i) for (j = i; j > 1 && v[j - 1] > v[j]; --j) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
                    if (n == 0) return -1
                    return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
                }
                function number(x) { return x < 10 ? sprintf("%.1f", x) : sprintf("%d", x + 0.5) }
                # A failed save is timed at the bound it gave up at: the ratio is at least that.
                function pair(a, b,    x, y) {
                    x = median(a); y = median(b)
                    if (x < 0 || y < 0) return "-"
                    # Below a millisecond the store figures (whole milliseconds) say nothing.
                    if (y < 1) return sprintf("%s / %s ms", number(x), number(y))
                    return sprintf("%s / %s ms = %s%.2f x", number(x), number(y), failed[a] ? ">=" : "", x / y)
                }
                $1 == "left" { left = left " " $2; next }
                {
                    total[$1]++
                    if ($2 != "ok") failed[$1]++
                    # A click that never took effect has no time; a failed save has one.
                    if ($2 == "ok" || $1 != "click") ms[$1, ++count[$1]] = $3
                    if ($5 == "failbox=1") box++
                }
                END {
                    fails = sprintf("store %d/%d, floor %d/%d", failed["store"], total["store"], failed["floor"], total["floor"])
                    if (total["click"]) {
                        click = count["click"] ? sprintf("%d ms", median("click")) : "none"
                        fails = fails sprintf(", click %d/%d", failed["click"] + box, total["click"])
                    } else click = "-"
                    printf "%-9s %4s  %-29s %-24s %-10s %s%s\n", s, (s == "local" ? "-" : rtt), pair("store", "floor"),
                        pair("load", "read"), click, fails, (left == "" ? "" : "; left:" left)
                }' "$f"
        done
    done
    for s in $clients; do
        f=$work/results/$s-race
        [ -f "$f" ] || continue
        awk -v s="$s" '
            $1 == "rtt" { rtt = $2 }
            $1 == "save" { saves++; if ($2 != "ok") failed++ }
            $1 == "rounds" { rounds = $0; sub(/^rounds /, "", rounds) }
            $1 == "left" { left = left " " $2 }
            END {
                printf "%s, two games at once at %d ms, 4 rounds every 400 ms each: %d of %d saves failed (retries counted), every round %s, left:%s\n",
                    s, rtt, failed, saves, (rounds == "once" ? "in the list once" : rounds), (left == "" ? " nothing" : left)
            }' "$f"
    done
}

# --- the run -----------------------------------------------------------------------

mkdir -p "$work/results" "$work/xdg" && chmod 700 "$work/xdg"
if [ "$clicks" -gt 0 ]; then
    start_xvfb
fi
started=$(date +%s)
for s in $clients; do
    log "$s: starting"
    mkdir -p "$work/$s"
    set_up "$s" >>"$work/$s/setup.log" 2>&1 || { cat "$work/$s/setup.log" >&2; log "$s: the set-up did not come up"; continue; }
    for rtt in $rtts; do
        [ "$s" != local ] || [ "$rtt" = "${rtts%% *}" ] || continue
        set_rtt "$s" "$rtt"
        count=$n
        [ "$rtt" -lt 100 ] || count=$slow_n
        log "$s, round trip $rtt ms: $count saves and loads"
        measure "$s" "$rtt" "$count"
        if [ "$clicks" -gt 0 ]; then
            log "$s, round trip $rtt ms: $clicks clicks"
            clicks "$s" "$rtt" "$clicks"
        fi
    done
    if [ -n "$race_rtt" ] && [ "$s" != local ]; then
        log "$s: two games at once, round trip $race_rtt ms"
        set_rtt "$s" "$race_rtt"
        race "$s" "$race_rtt"
    fi
done

print_table

#!/usr/bin/env bash
# The game on Wayland itself, in a headless sway of its own, as an unprivileged user.
#   round:    a round played by keyboard (wtype): the word list loaded, the round
#             started, the one letter caught, BESTFANG.LST written, the game quit.
#   noplugin: where only the compositor listens and Qt's Wayland plugin is missing,
#             the game says it finds no graphical session and ends with status 1.
# Usage: wayland.sh round|noplugin <game program> <Qt's plugin folder> <desktop entry>
set -euo pipefail

# The keys from the closed start-up box to the loaded word list, as wtype names them
# ("shift+Tab" for a key with a modifier): the scroll bar has the focus at start-up,
# one Shift+Tab reaches the file list, Return loads its selected list.
LOAD_LIST_KEYS="shift+Tab Return"

mode=${1:?round or noplugin}
game=$(realpath "${2:?game program}")
qt_plugins=${3:?Qt plugin folder}
entry=${4:?desktop entry}
skip() { echo "SKIP: $*"; exit 77; }
for tool in sway swaymsg wtype setpriv unshare; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed"
done

# Sway refuses to run as root: then it and the game run as nobody.
as_user=()
[ "$(id -u)" -ne 0 ] || as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
# In the folder the test runs in, a folder of the build tree.
work=$(mktemp -d "$PWD/wayland.XXXXXX")
chmod 755 "$work"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP PIPE

"${as_user[@]}" test -x "$game" || skip "the user nobody cannot reach $game"
run="$work/run"
mkdir -m 700 "$run"
[ ${#as_user[@]} -eq 0 ] || chown nobody:nogroup "$run"
"${as_user[@]}" test -w "$run" || skip "the user nobody cannot reach the build folder $work"
[ ${#run} -lt 90 ] || skip "the runtime folder's path is too long for a socket: $run"
# Only what the programs here need: no X display, nothing of the caller's session.
session=(env -i PATH=/usr/bin:/bin HOME="$run" XDG_RUNTIME_DIR="$run" LC_ALL=C.UTF-8)

printf 'xwayland disable\n' >"$work/sway.conf"
"${as_user[@]}" "${session[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
pids+=($!)
socket=""
for ((i = 0; i < 100; ++i)); do
    socket=$(cd "$run" && ls wayland-? 2>/dev/null | head -n 1 || true)
    ipc=$(ls "$run"/sway-ipc.* 2>/dev/null | head -n 1 || true)
    [ -z "$socket" ] || [ -z "$ipc" ] || break
    kill -0 "${pids[0]}" 2>/dev/null || skip "sway cannot run here: $(tail -n 3 "$work/sway.log")"
    sleep 0.1
done
[ -n "$socket" ] && [ -n "$ipc" ] || skip "sway made no socket in 10 s: $(tail -n 3 "$work/sway.log")"
wayland=("${session[@]}" WAYLAND_DISPLAY="$socket")

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if [ "$mode" = noplugin ]; then
    # Qt's platform plugins as without qt6-wayland, laid over Qt's own folder in a
    # mount namespace: a plugin path variable alone would not hide it, as Qt falls
    # back to its own folder.
    mkdir "$work/platforms"
    find "$qt_plugins/platforms" -maxdepth 1 -name 'lib*.so' ! -name 'libqwayland-*' \
        -exec cp {} "$work/platforms/" \;
    namespace=(unshare --mount --propagation private)
    [ ${#as_user[@]} -gt 0 ] || namespace=(unshare --user --map-root-user --mount)
    "${namespace[@]}" true 2>/dev/null || skip "no mount namespace for hiding Qt's Wayland plugin"
    # Qt's own choice ("wayland;xcb" in a Wayland session) and Wayland asked for by name.
    for platform in "" wayland; do
        rc=0
        (cd "$work" && "${namespace[@]}" sh -c 'mount --bind "$1" "$2" && shift 2 && exec "$@"' sh \
            "$work/platforms" "$qt_plugins/platforms" "${as_user[@]}" "${wayland[@]}" \
            XDG_SESSION_TYPE=wayland QT_QPA_PLATFORM="$platform" "$game" >"$work/out" 2>"$work/err" </dev/null) ||
            rc=$?
        [ "$rc" = 1 ] || fail "QT_QPA_PLATFORM='$platform': exit status $rc, not 1: $(cat "$work/err")"
        [ "$(wc -l <"$work/err")" = 1 ] && grep -q 'Keine grafische Sitzung' "$work/err" ||
            fail "QT_QPA_PLATFORM='$platform': not one line about the graphical session: $(cat "$work/err")"
    done
    [ "$failures" -eq 0 ] || exit 1
    echo "all checks passed"
    exit 0
fi

# Window titles in the compositor's tree, one a line.
titles() { SWAYSOCK="$ipc" swaymsg -r -t get_tree | grep -o '"name": *"[^"]*"' | sed 's/.*: *"//; s/"$//'; }
wait_for_windows() {
    for ((i = 0; i < 100; ++i)); do
        [ "$(titles | grep -cx "$1" || true)" -ge "$2" ] && return 0
        sleep 0.1
    done
    fail "no $2 windows titled $1: $(titles | tr '\n' ',')"
    exit 1
}

# A word of one letter: its one catch wins the round wherever it was scattered.
game_dir="$work/game"
mkdir "$game_dir"
printf 'K\r\n' >"$game_dir/EIN.TXT"
: >"$game_dir/BESTFANG.LST"
[ ${#as_user[@]} -eq 0 ] || chown -R nobody:nogroup "$game_dir"
# In the sanitizer build: Wayland's client library and Qt's plugin leave allocations at
# exit that are not the game's; the game's own leaks are checked by every other test.
(cd "$game_dir" && exec "${as_user[@]}" "${wayland[@]}" QT_QPA_PLATFORM=wayland \
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$game") \
    >"$work/game.log" 2>&1 &
game_pid=$!
pids+=("$game_pid")
# The main window and the box asking for a word list.
wait_for_windows Zaplino 2

# A launcher matches the window to its entry by the Wayland app_id.
app_id=$(SWAYSOCK="$ipc" swaymsg -r -t get_tree | grep -o '"app_id": *"[^"]*"' | sed 's/.*: *"//; s/"$//' | sort -u)
[ "$app_id" = "$(basename "$entry" .desktop)" ] || fail "app_id is '$app_id', not the desktop entry's name"

# The marker starts at column 9, row 6: to the top-left cell, then row by row in a
# snake through all 18 x 11 cells; stepping onto the letter catches it.
sweep=()
for ((i = 0; i < 6; ++i)); do sweep+=(-k Up); done
for ((i = 0; i < 9; ++i)); do sweep+=(-k Left); done
for ((row = 0; row < 11; ++row)); do
    direction=Right
    [ $((row % 2)) -eq 0 ] || direction=Left
    for ((i = 0; i < 17; ++i)); do sweep+=(-k "$direction"); done
    [ "$row" -eq 10 ] || sweep+=(-k Down)
done
load=()
for key in $LOAD_LIST_KEYS; do
    case $key in
    *+*) load+=(-M "${key%%+*}" -k "${key#*+}" -m "${key%%+*}") ;;
    *) load+=(-k "$key") ;;
    esac
done
# One wtype for the whole run: a new virtual keyboard would lose its first key.
# Boxes: word list wanted, last entry of the list, the round's time, quit (Yes).
# The pauses leave a busy machine time to open each box before its key comes.
"${as_user[@]}" "${wayland[@]}" wtype -s 500 -k Return -s 2000 "${load[@]}" -s 2000 -k Return -s 2000 -k space \
    -s 500 "${sweep[@]}" -s 2000 -k Return -s 2000 -k Escape -s 2000 -k Return >"$work/wtype.log" 2>&1 &
pids+=($!)

rc=""
for ((i = 0; i < 600; ++i)); do
    kill -0 "$game_pid" 2>/dev/null || { rc=0; wait "$game_pid" || rc=$?; break; }
    sleep 0.1
done
[ -n "$rc" ] || fail "the game did not quit: $(titles | tr '\n' ',') $(cat "$work/game.log")"
[ "${rc:-0}" = 0 ] || fail "the game ended with status $rc: $(cat "$work/game.log")"

# One won round: a word of 1 letter, the seconds it took (the sweep takes about one,
# a busy machine may add some), period 10, the default player.
saved=false
for seconds in 0 1 2 3; do
    printf '>   1 %4s   10 Freund und Gast\r\n' "$seconds" | cmp -s - "$game_dir/BESTFANG.LST" &&
        { saved=true; echo "round won in $seconds s"; }
done
$saved || fail "BESTFANG.LST holds: $(od -c "$game_dir/BESTFANG.LST" | head -n 5)"

[ "$failures" -eq 0 ] || exit 1
echo "all checks passed"

#!/usr/bin/env bash
# Start-up time, peak memory and idle CPU of the game against a bare Qt window,
# measured under Xvfb. Usage: bench/startup.sh [runs]   (BUILD_DIR=build by default)
set -euo pipefail
export LC_ALL=C.UTF-8
cd "$(dirname "$0")/.."

runs=${1:-15}
build_dir=${BUILD_DIR:-build}
game=$PWD/$build_dir/src/zaplino
bare=$PWD/$build_dir/bench/zaplino_barewindow
idle_seconds=${IDLE_SECONDS:-30}
for program in "$game" "$bare"; do
    [ -x "$program" ] || { echo "missing $program: build first (cmake --build $build_dir)" >&2; exit 1; }
done

packages=(xvfb x11-utils xdotool time)
source scripts/packages.sh
install_missing_packages "${packages[@]}"

work=$(mktemp -d)
xvfb_pid=""
game_pid=""
cleanup() {
    [ -z "$game_pid" ] || kill "$game_pid" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number to the pipe once it accepts clients.
exec 3< <(Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>"$work/xvfb.log" & echo "pid $!")
read -r _ xvfb_pid <&3
read -r display <&3 || { cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=:$display QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

# The game starts in an empty folder: it opens its file panel and asks for a list,
# which does not hold up the window (the message box is drawn over it).
mkdir -p "$work/empty"

# One start: prints "wall-microseconds-to-exposed peak-KiB cpu-microseconds-to-exposed".
start_once() {
    local program=$1
    local start shown cpu
    start=${EPOCHREALTIME/./}
    (cd "$work/empty" && ZAPLINO_EXIT_WHEN_SHOWN=${SETTLE_MS:-1000} \
        timeout 60 /usr/bin/time -f %M -o "$work/mem" "$program" >"$work/shown" 2>/dev/null) || true
    read -r shown cpu <"$work/shown" || true
    [ -n "$shown" ] || { echo "$program did not show its window" >&2; exit 1; }
    echo "$((shown - start)) $(tail -n 1 "$work/mem") $cpu"
}

median() {
    sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Warm the font and file caches once for each, then alternate.
start_once "$game" >/dev/null
start_once "$bare" >/dev/null
: >"$work/game.txt"
: >"$work/bare.txt"
for ((i = 0; i < runs; ++i)); do
    start_once "$game" >>"$work/game.txt"
    start_once "$bare" >>"$work/bare.txt"
done

game_us=$(cut -d' ' -f1 "$work/game.txt" | median)
bare_us=$(cut -d' ' -f1 "$work/bare.txt" | median)
game_kib=$(cut -d' ' -f2 "$work/game.txt" | median)
bare_kib=$(cut -d' ' -f2 "$work/bare.txt" | median)
game_cpu=$(cut -d' ' -f3 "$work/game.txt" | median)
bare_cpu=$(cut -d' ' -f3 "$work/bare.txt" | median)

echo "Medians of $runs alternating starts under Xvfb (load average $(cut -d' ' -f1 /proc/loadavg)):"
echo "start-up = from process start until the window is exposed; CPU = time used until then;"
echo "peak RSS = over the start-up and the first ${SETTLE_MS:-1000} ms on screen."
awk -v g="$game_us" -v b="$bare_us" -v gm="$game_kib" -v bm="$bare_kib" -v gc="$game_cpu" -v bc="$bare_cpu" 'BEGIN {
    printf "  %-12s %10s %10s %10s\n", "", "start-up", "CPU", "peak RSS"
    printf "  %-12s %7.1f ms %7.1f ms %6.1f MiB\n", "zaplino", g / 1000, gc / 1000, gm / 1024
    printf "  %-12s %7.1f ms %7.1f ms %6.1f MiB\n", "bare window", b / 1000, bc / 1000, bm / 1024
    printf "  %-12s %8.2f x  %8.2f x  %8.2f x   (targets: start-up at most 1.25 x, memory 1.3 x)\n", "ratio", g / b, gc / bc, gm / bm
}'

# Idle CPU: a round running for a while with no key pressed.
mkdir -p "$work/round"
printf 'Katze\r\nMaus\r\nHund\r\nVogel\r\n' >"$work/round/TIERE.TXT"
# An empty high-score list, so that only the "load a file first" box comes up.
: >"$work/round/BESTFANG.LST"
(cd "$work/round" && exec "$game") >/dev/null 2>&1 &
game_pid=$!
main_window() {
    xdotool search --sync --onlyvisible --pid "$game_pid" --name '^Zaplino$' 2>/dev/null | while read -r id; do
        xwininfo -id "$id" | grep -q 'Width: 546' && echo "$id"
    done | head -n 1
}
window=""
for ((i = 0; i < 100; ++i)); do
    window=$(main_window || true)
    [ -z "$window" ] || break
    sleep 0.1
done
[ -n "$window" ] || { echo "the game window did not appear" >&2; exit 1; }
sleep 1
# Close the "load a file first" box, double-click the only list in the file panel,
# then click into the playing field to start the round.
xdotool key --clearmodifiers Return
sleep 0.5
xdotool mousemove --window "$window" 100 192 click --repeat 2 --delay 80 1
sleep 0.5
xdotool mousemove --window "$window" 300 200 click 1
# Away from the field, so no hover changes anything.
xdotool mousemove 1200 1000
sleep 1

# On-CPU nanoseconds and wake-ups of all the game's threads, and the wake-ups of its
# main thread alone: a running round wakes it once a second, a waiting game never.
cpu_state() {
    local ns=0 switches=0 task
    for task in /proc/"$game_pid"/task/*; do
        ns=$((ns + $(cut -d' ' -f1 "$task/schedstat")))
        switches=$((switches + $(awk '/^voluntary_ctxt_switches/ { print $2 }' "$task/status")))
    done
    echo "$ns $switches $(awk '/^voluntary_ctxt_switches/ { print $2 }' /proc/"$game_pid"/status)"
}
read -r ns0 wake0 main0 < <(cpu_state)
sleep "$idle_seconds"
read -r ns1 wake1 main1 < <(cpu_state)
awk -v ns=$((ns1 - ns0)) -v wake=$((wake1 - wake0)) -v s="$idle_seconds" 'BEGIN {
    printf "Idle round, %d s with no key pressed: %.1f ms CPU (%.3f %% of one core), %d wake-ups (%.1f a second)\n",
        s, ns / 1e6, ns / 1e7 / s, wake, wake / s
}'
if [ $((main1 - main0)) -lt $((idle_seconds - 1)) ]; then
    echo "The round does not seem to run (the main thread woke $((main1 - main0)) times)." >&2
    exit 1
fi

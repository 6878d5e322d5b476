#!/usr/bin/env bash
# Under a real window manager, both windows open where their outer rectangle, frame
# included, is centred (the info window a quarter of the free height down), and stay
# where they first appear. Usage: centring.sh <game program>
set -euo pipefail
game=$(realpath "${1:?game program}")
for tool in Xvfb openbox xdotool xwininfo xprop; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
source "$(dirname "$(realpath "$0")")/../support/xserver.sh"
start_xvfb
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
for ((i = 0; i < 100; ++i)); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done

failures=0
# The visible window with this title and client width (the game's message boxes share its title).
window() {
    local id
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
        xwininfo -id "$id" 2>/dev/null | grep -q "Width: $2\$" && { echo "$id"; return; }
    done
    return 1
}
# "frame-left frame-top outer-width outer-height" of that window.
outer() {
    local id
    id=$(window "$1" "$2") || return 1
    # Not before the window manager has framed it.
    read -r left right top bottom < <(xprop -id "$id" _NET_FRAME_EXTENTS | tr -dc '0-9 \n' | tr -s ' ')
    [ -n "${bottom:-}" ] || return 1
    xwininfo -id "$id" | awk -v l="$left" -v r="$right" -v t="$top" -v b="$bottom" '
        /Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
        /Width:/ { w = $2 } /Height:/ { h = $2 }
        END { print x - l, y - t, w + l + r, h + t + b }'
}
# Watches the window for a second from its first appearance; it must not move.
check() {
    local title=$1 width=$2 divisor=$3 first="" now
    for ((i = 0; i < 200; ++i)); do
        first=$(outer "$title" "$width" || true)
        [ -z "$first" ] || break
        sleep 0.02
    done
    [ -n "$first" ] || { echo "FAIL: $title did not appear" >&2; failures=$((failures + 1)); return; }
    for ((i = 0; i < 20; ++i)); do
        now=$(outer "$title" "$width")
        [ "$now" = "$first" ] || { echo "FAIL: $title moved from $first to $now" >&2; failures=$((failures + 1)); return; }
        sleep 0.05
    done
    read -r x y w h <<<"$first"
    # Rounded half away from zero, as a pixel count from twips is.
    expected=$(awk -v w="$w" -v h="$h" -v d="$divisor" 'function r(v) { return v < 0 ? -int(-v + 0.5) : int(v + 0.5) }
        BEGIN { print r((1280 - w) / 2), r((1024 - h) / d) }')
    [ "$x $y" = "$expected" ] || { echo "FAIL: $title's frame at $x $y (outer $w x $h), not at $expected" >&2; failures=$((failures + 1)); }
    echo "$title: frame at $x $y, outer size $w x $h"
}

# An empty high-score list, so that only the "load a list first" box comes up.
: >"$work/BESTFANG.LST"
(cd "$work" && exec "$game") >/dev/null 2>&1 &
pids+=($!)
check Zaplino 546 2
# A launcher on X11 or XWayland matches the running window to its menu entry by class.
class=$(xprop -id "$(window Zaplino 546)" WM_CLASS | sed -n 's/.*, "\(.*\)"$/\1/p')
entry_class=$(sed -n 's/^StartupWMClass=//p' "$(dirname "$0")/../../packaging/org.example.Zaplino.desktop")
[ "$class" = "$entry_class" ] ||
    { echo "FAIL: window class '$class', desktop entry's '$entry_class'" >&2; failures=$((failures + 1)); }
# Close the "load a list first" box, then open the info window with its button.
for ((i = 0; i < 100; ++i)); do
    box=$(xdotool search --onlyvisible --name '^Zaplino$' | grep -vx "$(window Zaplino 546)" | head -n 1 || true)
    [ -z "$box" ] || break
    sleep 0.05
done
xdotool windowactivate --sync "$box" key --clearmodifiers Return
for ((i = 0; i < 100; ++i)); do
    [ "$(xdotool search --onlyvisible --name '^Zaplino$' | wc -l)" -gt 1 ] || break
    sleep 0.05
done
# A click while the box is still going away can be lost: try again.
for ((attempt = 0; attempt < 3; ++attempt)); do
    xdotool mousemove --window "$(window Zaplino 546)" 24 360 click 1
    for ((i = 0; i < 40; ++i)); do
        window Programm-Info 235 >/dev/null && break 2
        sleep 0.05
    done
done
check Programm-Info 235 4

[ "$failures" -eq 0 ] || exit 1
echo "all checks passed"

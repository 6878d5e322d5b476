#!/usr/bin/env bash
# The game as a screen reader or a test robot meets it: an AT-SPI client alone, without
# mouse or keyboard, plays through it on a session and accessibility bus of its own, in
# an X server of its own. Usage: accessibility.sh <game program> <folder for scratch files>
set -euo pipefail
game=$(realpath "${1:?game program}")
scratch=${2:?folder for scratch files}
here=$(dirname "$(realpath "$0")")
# Debian's Python, where python3-pyatspi is installed, not one found first on the PATH.
python=/usr/bin/python3
for tool in Xvfb dbus-run-session "$python"; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
done
[ -x /usr/libexec/at-spi-bus-launcher ] || { echo "SKIP: at-spi2-core is not installed"; exit 77; }
"$python" -c 'import pyatspi' 2>/dev/null || { echo "SKIP: python3-pyatspi is not installed"; exit 77; }
dbus-run-session -- true 2>/dev/null || { echo "SKIP: dbus-run-session cannot start a session bus"; exit 77; }

mkdir -p "$scratch"
work=$(mktemp -d "$scratch/accessibility.XXXXXX")
source "$here/../support/xserver.sh"
start_xvfb

mkdir -m 700 "$work/runtime" "$work/game"
printf 'Zwetschge\r\nQuarkbrot\r\nWackelpudding\r\nPflaumenmus\r\nApfelstrudel\r\nKirschkuchen\r\n' \
    >"$work/game/WOERTER.TXT"
: >"$work/game/BESTFANG.LST"

export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export XDG_RUNTIME_DIR=$work/runtime
unset AT_SPI_BUS_ADDRESS DBUS_SESSION_BUS_ADDRESS
# dbus-run-session ends the session bus, and with it the accessibility bus it started,
# when the client ends; the client ends the game.
timeout 90 dbus-run-session -- "$python" "$here/accessibility_client.py" "$game" "$work/game" 2>"$work/bus.log" ||
    { status=$?; grep -v -e 'fd limit' -e 'Activating service' -e 'Successfully activated' "$work/bus.log" >&2 || true; exit "$status"; }

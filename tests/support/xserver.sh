# Sourced by the tests that run the game in an X server of their own. The caller has
# made its scratch folder $work; every process in pids is killed and the folder removed
# however the test ends. start_xvfb starts Xvfb on a free display and exports DISPLAY.
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP PIPE

start_xvfb() {
    local xvfb_pid display
    exec 3< <(Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>"$work/xvfb.log" & echo "pid $!")
    read -r _ xvfb_pid <&3
    pids+=("$xvfb_pid")
    read -r display <&3 || { cat "$work/xvfb.log" >&2; exit 1; }
    export DISPLAY=:$display QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
    unset WAYLAND_DISPLAY
}

# Without a display the game says so in one line and ends with status 1, instead of
# aborting in Qt's platform plugin with a core dump.
. "$(dirname "$0")/common.sh"
program=${3:?program}

# No display at all, and an X display whose server is not running.
for display in "" ":4999"; do
    rc=0
    (cd "$work" && env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE DISPLAY="$display" \
        "$program" >"$work/out" 2>"$work/err" </dev/null) || rc=$?
    [ "$rc" = 1 ] || fail "DISPLAY='$display': exit status $rc, not 1"
    [ "$(wc -l <"$work/err")" = 1 ] && grep -q 'Keine grafische Sitzung' "$work/err" ||
        fail "DISPLAY='$display': not one line about the graphical session: $(cat "$work/err")"
    [ -s "$work/out" ] && fail "DISPLAY='$display': wrote to standard output"
done

# Qt's own -platform argument is honoured: the offscreen platform needs no display.
rc=0
(cd "$work" && env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE -u DISPLAY ZAPLINO_EXIT_WHEN_SHOWN=1 \
    "$program" -platform offscreen >"$work/out" 2>"$work/err" </dev/null) || rc=$?
[ "$rc" = 0 ] || fail "-platform offscreen: exit status $rc, not 0: $(cat "$work/err")"

finish

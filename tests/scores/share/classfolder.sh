#!/usr/bin/env bash
# Two pupils with user ids of their own (umask 022) save won rounds in turn through
# the game's store into a class's folder as an admin makes it: a group folder
# (setgid, group-writable) and a folder everybody may write to with the sticky bit.
# Between their rounds each leaves the other a lock: a game killed while it held it,
# and a plain file at the lock's name. Every round must reach the list once, every
# save succeed, and in the end nothing but the list stand in the folder.
#
#   classfolder.sh SHARESAVER
#
# Works in ./classfolder (the build tree under CTest); the savers' output stays there.
set -u
skip() { echo "SKIP: $*"; exit 77; }

saver=$(realpath "${1:?usage: $0 SHARESAVER}")
[ "$(id -u)" -eq 0 ] || skip "needs root to save as two users"
command -v setpriv >/dev/null || skip "setpriv is missing"

# Numeric ids only: nothing is added to /etc/passwd or /etc/group.
klasse=48100
anna=(setpriv --reuid 48101 --regid 48101 --groups "$klasse")
ben=(setpriv --reuid 48102 --regid 48102 --groups "$klasse")
work=$PWD/classfolder
rm -rf "$work" && mkdir -p "$work" && chmod 755 "$work" || exit 1
"${anna[@]}" test -x "$saver" || skip "a user of its own cannot reach $saver"
"${anna[@]}" test -r "$work" || skip "a user of its own cannot reach the build folder $work"

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# save PUPIL FOLDER FIRST COUNT [WHEN]: that pupil's rounds FIRST.., each saved at once.
save() {
    local who=$1 dir=$2 first=$3 count=$4 when=${5:-} out
    out="$work/$(basename "$dir")-$who-$first.out"
    local -n as=$who
    (umask 022 && exec timeout 60 "${as[@]}" "$saver" --dir "$dir" --tag "$who" --first "$first" --rounds "$count") >"$out" 2>&1
    grep -qx "done saved=$count unsaved=0" "$out" ||
        fail "$(basename "$dir"): $who's rounds from $first${when:+ $when}: $(grep -E 'failed|done' "$out" | tr '\n' ' ')"
}

# A game of PUPIL killed while it held the lock.
killed_holding_lock() {
    local who=$1 dir=$2 out
    out="$work/$(basename "$dir")-$who-held.out"
    local -n as=$who
    # Gone in any case once the test could have ended.
    (umask 022 && exec timeout -s KILL 30 "${as[@]}" "$saver" --dir "$dir" --hold-lock) >"$out" 2>&1 &
    local waiter=$! pid=
    for _ in $(seq 100); do
        pid=$(sed -n 's/^holding //p' "$out")
        [ -n "$pid" ] && break
        sleep 0.1
    done
    [ -z "$pid" ] || kill -KILL "$pid"
    wait "$waiter" 2>/dev/null
    [ -d "$dir/BESTFANG.LST.lock" ] || fail "$(basename "$dir"): $who's game held no lock: $(cat "$out")"
}

check_list() {
    local dir=$1 name=$(basename "$1")
    for who in anna ben; do
        for round in 1 2 3 4 5 6; do
            local count
            count=$(grep -c " $who-000$round"$'\r$' "$dir/BESTFANG.LST" 2>/dev/null)
            [ "$count" = 1 ] || fail "$name: $who's round $round is in the list $count times"
        done
    done
    local left
    left=$(cd "$dir" && ls -A | tr '\n' ' ')
    [ "$left" = "BESTFANG.LST " ] || fail "$name: left in the folder: $left"
}

mkdir -m 1777 "$work/sticky"
mkdir -m 2775 "$work/group" && chgrp "$klasse" "$work/group"

for dir in "$work/group" "$work/sticky"; do
    save anna "$dir" 1 2
    save ben "$dir" 1 2
    save anna "$dir" 3 1
    save ben "$dir" 3 1
    # ben takes over anna's left lock; in the sticky folder only anna may remove
    # what is left of it, which her next save does.
    killed_holding_lock anna "$dir"
    save ben "$dir" 4 1 "after anna's game was killed holding the lock"
    save anna "$dir" 4 1
    # What stood at the lock's name before the lock was a folder, 10 s old.
    "${ben[@]}" sh -c 'umask 022 && echo 4711 >"$1" && touch -d "10 seconds ago" "$1"' - "$dir/BESTFANG.LST.lock"
    save anna "$dir" 5 2 "with ben's plain file at the lock's name"
    save ben "$dir" 5 2
    check_list "$dir"
done

mode=$(stat -c '%A %g' "$work/group/BESTFANG.LST" 2>/dev/null)
[[ $mode == -???rw????\ $klasse ]] || fail "group: the list is not group-writable with the folder's group: $mode"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed; the savers' output is in $work"; exit 1; }
echo "all checks passed"

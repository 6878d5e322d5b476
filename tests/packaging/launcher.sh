# Runs the installed launcher with a stub in place of the game and checks the
# player's folder: created on first start, seeded with the sample lists, the game
# started there, and the player's own files left alone on later starts.
. "$(dirname "$0")/common.sh"
install_prefix

samples="$prefix/share/games/zaplino/wordlists"
program="$prefix/libexec/zaplino/zaplino"
mkdir -p "$samples"
rm -f "$samples"/*
printf 'Apfel\r\nBirne\r\nK\344se\r\n' >"$samples/OBST.TXT"
printf 'Hund\r\nKatze\r\n' >"$samples/TIERE.TXT"

# The stub records where and with what it was started.
cat >"$program" <<'STUB'
#!/bin/sh
pwd >"$ZAPLINO_TEST_LOG"
printf '%s\n' "$@" >>"$ZAPLINO_TEST_LOG"
exit 7
STUB
chmod +x "$program"

home="$work/home of player"
mkdir -p "$home"
log="$work/started"
folder="$home/Zaplino"
start() {
    rc=0
    env HOME="$home" XDG_DATA_HOME="$work/xdg" ZAPLINO_TEST_LOG="$log" "$@" || rc=$?
}

# First start: folder created and seeded, game started inside it.
start "$prefix/games/zaplino" --one "two words"
[ "$rc" = 7 ] || fail "launcher did not pass on the game's exit status (got $rc)"
[ -d "$folder" ] || fail "folder $folder not created"
[ "$(sed -n 1p "$log" 2>/dev/null)" = "$folder" ] || fail "game not started in $folder"
[ "$(sed -n '2,$p' "$log" 2>/dev/null)" = "--one
two words" ] || fail "arguments not passed on unchanged"
for list in OBST.TXT TIERE.TXT; do
    cmp -s "$samples/$list" "$folder/$list" || fail "$list not copied byte for byte on first start"
done
[ -e "$work/xdg" ] && fail "launcher wrote into XDG_DATA_HOME"

# Later starts: a changed list stays changed, a deleted one stays deleted, and a
# list added by a newer version arrives.
printf 'Mein Wort\r\n' >"$folder/OBST.TXT"
rm "$folder/TIERE.TXT"
printf 'Haus\r\n' >"$samples/NEU.TXT"
start "$prefix/games/zaplino"
[ "$(cat "$folder/OBST.TXT")" = "$(printf 'Mein Wort\r')" ] || fail "player's changed OBST.TXT was overwritten"
[ -e "$folder/TIERE.TXT" ] && fail "list deleted by the player came back"
cmp -s "$samples/NEU.TXT" "$folder/NEU.TXT" || fail "new sample list not copied"

# A file the player made before the first start is kept, even under a sample's name.
rm -rf "$folder"
mkdir -p "$folder"
printf 'Eigen\r\n' >"$folder/TIERE.TXT"
printf '>  4  12  5 Anna\r\n' >"$folder/BESTFANG.LST"
start "$prefix/games/zaplino"
[ "$(cat "$folder/TIERE.TXT")" = "$(printf 'Eigen\r')" ] || fail "player's own TIERE.TXT was overwritten"
[ "$(cat "$folder/BESTFANG.LST")" = "$(printf '>  4  12  5 Anna\r')" ] || fail "high-score file touched"
[ -f "$folder/OBST.TXT" ] || fail "OBST.TXT not seeded into an existing folder"

# Started through a link elsewhere, it still finds its files.
mkdir -p "$work/games"
ln -s "$prefix/games/zaplino" "$work/games/zaplino"
rm -rf "$folder" "$log"
start "$work/games/zaplino"
[ "$(sed -n 1p "$log" 2>/dev/null)" = "$folder" ] && [ -f "$folder/OBST.TXT" ] ||
    fail "launcher started through a link did not find the game and its lists"

# Without any sample lists the game still starts, in an empty folder.
rm -rf "$folder" "$log" "$samples"
start "$prefix/games/zaplino"
[ "$(sed -n 1p "$log" 2>/dev/null)" = "$folder" ] || fail "game not started without sample lists"

# A folder that cannot be made is reported, and the game is not started in a stray place.
rm -rf "$folder" "$log"
: >"$folder"
start "$prefix/games/zaplino" 2>"$work/errors"
[ "$rc" != 0 ] && [ ! -e "$log" ] && grep -q Zaplino "$work/errors" ||
    fail "unusable folder not reported"

finish

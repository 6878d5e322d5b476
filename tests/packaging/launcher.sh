# Runs the installed launcher with a stub in place of the game and checks the
# player's folder: created on first start, seeded with the sample lists, the game
# started there, and the player's own files left alone on later starts; a class's
# folder chosen by the admin's setting and shared by several pupils.
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
mkdir -p "$home" "$work/logs"
# The log where a pupil of another user id can write it too.
chmod 755 "$work"
chmod 1777 "$work/logs"
log="$work/logs/started"
folder="$home/Zaplino"
# Set to the pupil's user id where the test runs as root.
as=
# The machine's own settings stay out of the test.
start() {
    rc=0
    rm -f "$log"
    $as env -u ZAPLINO_FOLDER -u XDG_RUNTIME_DIR HOME="$home" XDG_DATA_HOME="$work/xdg" XDG_CONFIG_HOME="$work/config" \
        XDG_CONFIG_DIRS="$work/none:$work/etc" ZAPLINO_TEST_LOG="$log" "$@" || rc=$?
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
rm -f "$folder"
mkdir -p "$samples"
printf 'Apfel\r\n' >"$samples/OBST.TXT"
printf 'Haus\r\n' >"$samples/NEU.TXT"

# The admin's setting: the user's own file comes first, then the first line naming
# one of the user's groups (or *) wins, ZAPLINO_FOLDER overrides it, and without a
# fitting line ~/Zaplino stays. The file's last line has no line end.
mkdir -p "$work/etc/zaplino" "$work/config/zaplino" "$work/klasse 4a" "$work/alle" "$work/eigen"
settings="$work/etc/zaplino/folders"
printf '# Klassen\n\nzaplino-nosuchgroup %s\n%s %s\n* %s' \
    "$work/eigen" "$(id -gn 2>/dev/null)" "$work/klasse 4a" "$work/alle" >"$settings"
printf '* %s\n' "$work/eigen" >"$work/config/zaplino/folders"
for row in "own file:$work/eigen" "group line:$work/klasse 4a" "group number:$work/klasse 4a" \
    "* line:$work/alle" "ZAPLINO_FOLDER:$work/eigen" "no line fits:$folder"; do
    what=${row%%:*} expected=${row#*:} override=
    case $what in
        "group line") rm "$work/config/zaplino/folders" ;;
        "group number") sed -i "s|^[^ ]* \($work/klasse 4a\)|$(id -g) \1|" "$settings" ;;
        "* line") sed -i '/klasse 4a/d' "$settings" ;;
        ZAPLINO_FOLDER) override=$expected ;;
        "no line fits") sed -i '/^\*/d' "$settings" ;;
    esac
    start ZAPLINO_FOLDER="$override" "$prefix/games/zaplino"
    [ "$(sed -n 1p "$log" 2>/dev/null)" = "$expected" ] && [ -f "$expected/OBST.TXT" ] ||
        fail "$what: game not started in $expected with the sample lists"
done

# What a folder may say of the user is filled in; anything else stays as it stands,
# and nothing in the line runs. The launcher names the folder it looked for.
user=$(id -un)
for row in "~|~/Klasse|$home/Klasse" \
    "user name|$work/\$USER/\${USER}-%u|$work/$user/$user-$user" \
    "\$XDG_RUNTIME_DIR|\$XDG_RUNTIME_DIR/gvfs/user=\$USER|$work/run/gvfs/user=$user" \
    "\${XDG_RUNTIME_DIR} unset|\${XDG_RUNTIME_DIR}/zaplino-nosuchfolder|/run/user/$(id -u)/zaplino-nosuchfolder" \
    "commands|$work/\$(touch $work/ran)/\`touch $work/ran\`|" \
    "other variables|$work/\$HOME \${HOME} \$USERNAME ~|"; do
    what=${row%%|*} line=${row#*|} expected=${row##*|}
    line=${line%|*} expected=${expected:-$line} run="$work/run"
    case $what in *unset) run= ;; esac
    printf '* %s\n' "$line" >"$settings"
    start USER=zaplino-someone-else ${run:+"XDG_RUNTIME_DIR=$run"} "$prefix/games/zaplino" 2>"$work/errors"
    grep -qxF "zaplino: the folder $expected does not exist (set in $settings, group *)" "$work/errors" ||
        fail "$what: not $expected: $(cat "$work/errors")"
    [ -e "$work/ran" ] && fail "$what: the line ran" && rm "$work/ran"
done
rm "$settings"

# Other pupils' files: as root the pupil is a user id of its own; what another
# pupil made is read-only to this one.
[ "$(id -u)" = 0 ] && as="setpriv --reuid 4711 --regid 4711 --clear-groups"
# Where the pupil could make it.
mkdir -m 1777 "$work/schule"
class="$work/schule/klasse"
# A missing class folder is not made; one the pupil may not enter is not used.
for row in missing closed; do
    [ "$row" = closed ] && rm -rf "$class" && mkdir -m 0 "$class"
    start ZAPLINO_FOLDER="$class" "$prefix/games/zaplino" 2>"$work/errors"
    [ "$rc" = 1 ] && [ ! -e "$log" ] && grep -qF "$class" "$work/errors" && grep -q ZAPLINO_FOLDER "$work/errors" ||
        fail "$row class folder not reported with its setting"
    [ "$row" = missing ] && [ -e "$class" ] && fail "missing class folder made by the launcher"
done
rmdir "$class"

# Another pupil's note and lists: the lists stay, the new sample arrives, and the
# game starts without a word on stderr. In a folder the pupil may not add to, the
# game starts all the same and nothing is made.
mkdir "$class"
printf 'Eigen\r\n' >"$class/OBST.TXT"
printf 'OBST.TXT\n' >"$class/.zaplino-samples"
chmod 444 "$class/OBST.TXT" "$class/.zaplino-samples"
chmod 777 "$class"
for row in shared read-only; do
    [ "$row" = read-only ] && rm "$class/NEU.TXT" && chmod 555 "$class"
    start ZAPLINO_FOLDER="$class" "$prefix/games/zaplino" 2>"$work/errors"
    [ "$(sed -n 1p "$log" 2>/dev/null)" = "$class" ] && [ ! -s "$work/errors" ] ||
        fail "$row class folder: game not started quietly: $(cat "$work/errors")"
    [ "$row" = shared ] && ! cmp -s "$samples/NEU.TXT" "$class/NEU.TXT" && fail "new sample not copied beside another pupil's"
done
[ "$(cat "$class/OBST.TXT")" = "$(printf 'Eigen\r')" ] || fail "another pupil's list overwritten"
[ "$(cat "$class/.zaplino-samples")" = OBST.TXT ] || fail "another pupil's note changed"
[ -e "$class/NEU.TXT" ] && fail "list added to a read-only class folder"
as=

# What the launcher makes in a shared folder keeps the folder's sharing; in a
# private one the files stay as they were.
umask 022
for row in 2775:-rw-rw-r-- 1777:-rw-rw-rw- 0755:-rw-r--r--; do
    chmod 700 "$class" && rm -rf "$class"
    mkdir -m "${row%%:*}" "$class"
    start ZAPLINO_FOLDER="$class" "$prefix/games/zaplino"
    for file in NEU.TXT .zaplino-samples; do
        [ "$(stat -c %A "$class/$file")" = "${row#*:}" ] || fail "$file in a ${row%%:*} folder is not ${row#*:}"
    done
done

finish

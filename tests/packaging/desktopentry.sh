# Validates the installed desktop entry and checks that its command and icon are
# ones the install really provides.
. "$(dirname "$0")/common.sh"
need_tool desktop-file-validate
install_prefix

entry="$prefix/share/applications/$app_id.desktop"
[ -f "$entry" ] || { fail "desktop entry is missing"; finish; }

# Warnings count as failures: a menu may drop or misfile the entry. The one hint,
# two main categories (Game and Education), is intended: the game belongs in both.
report=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate failed"
printf '%s\n' "$report" | grep -v ': hint: ' | grep . && fail "desktop-file-validate warns"

value() { sed -n "s/^$1=//p" "$entry"; }
command=$(value Exec | cut -d' ' -f1)
[ -x "$prefix/games/$command" ] || fail "Exec=$command is not the installed launcher"
icon=$(value Icon)
[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "Icon=$icon has no scalable icon"
[ -f "$prefix/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "Icon=$icon has no 48 px icon"
[ "$(value Categories)" = "Game;KidsGame;Education;" ] || fail "categories are $(value Categories)"
[ -n "$(value 'Comment\[de\]')" ] && [ -n "$(value Comment)" ] || fail "German or English comment is missing"

finish

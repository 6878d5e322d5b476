# Installs into a temporary prefix and checks that every file the desktop needs is
# in its place, complete and usable.
. "$(dirname "$0")/common.sh"
install_prefix

starts_with() { # file, expected first bytes given as octal escapes
    [ "$(head -c "$(printf "$2" | wc -c)" "$1" | od -An -tx1)" = "$(printf "$2" | od -An -tx1)" ]
}
big_endian() { # file, offset: a 32-bit number
    od -An -tu1 -j "$2" -N 4 "$1" | awk '{ print (($1 * 256 + $2) * 256 + $3) * 256 + $4 }'
}

launcher="$prefix/games/zaplino"
[ -x "$launcher" ] && starts_with "$launcher" '#!/bin/sh' || fail "launcher games/zaplino is missing or not an executable script"
grep -q '@[A-Z_][A-Z_]*@' "$launcher" && fail "launcher has an unreplaced @placeholder@"

program="$prefix/libexec/zaplino/zaplino"
[ -x "$program" ] && starts_with "$program" '\177ELF' || fail "program libexec/zaplino/zaplino is missing or not an executable"

[ -f "$prefix/share/applications/$app_id.desktop" ] || fail "desktop entry is missing"
metainfo="$prefix/share/metainfo/$app_id.metainfo.xml"
[ -f "$metainfo" ] || fail "metainfo file is missing"
[ -f "$metainfo" ] && grep -q '@[A-Z_][A-Z_]*@' "$metainfo" && fail "metainfo has an unreplaced @placeholder@"

cmp -s "$prefix/share/doc/zaplino/copyright" "$source/LICENSE" || fail "copyright file is missing"

icons="$prefix/share/icons/hicolor"
cmp -s "$icons/scalable/apps/$app_id.svg" "$source/src/ui/icons/cat-large.svg" ||
    fail "scalable icon is missing or not the large cat drawing"
for size in 16 32 48 64 128 256; do
    png="$icons/${size}x${size}/apps/$app_id.png"
    if ! [ -f "$png" ] || ! starts_with "$png" '\211PNG\r\n\032\n'; then
        fail "$size px icon is missing or not a PNG"
        continue
    fi
    width=$(big_endian "$png" 16)
    height=$(big_endian "$png" 20)
    [ "$width" = "$size" ] && [ "$height" = "$size" ] ||
        fail "$size px icon is ${width}x$height"
    # Colour type 6: RGBA, so the cat keeps its transparent surroundings.
    [ "$(od -An -tu1 -j 25 -N 1 "$png" | tr -d ' ')" = 6 ] || fail "$size px icon has no alpha channel"
done

# Word lists are Windows-1252 with CR LF: installed byte for byte.
lists="$prefix/share/games/zaplino/wordlists"
for list in "$source"/wordlists/*.TXT; do
    [ -f "$list" ] || continue
    cmp -s "$list" "$lists/$(basename "$list")" || fail "word list $(basename "$list") not installed unchanged"
done
for installed in "$lists"/*; do
    [ -f "$installed" ] || continue
    [ -f "$source/wordlists/$(basename "$installed")" ] || fail "unexpected file $installed"
done

finish

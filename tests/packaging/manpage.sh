# The installed manual pages (English and German) and the changelog: compressed as
# Debian wants them, free of formatter warnings, and naming the installed files.
. "$(dirname "$0")/common.sh"
install_prefix

for file in share/man/man6/zaplino.6.gz share/man/de/man6/zaplino.6.gz share/doc/zaplino/changelog.gz; do
    [ -f "$prefix/$file" ] || { fail "$file is missing"; continue; }
    # gzip magic and deflate, no flags (no file name), time stamp 0, best compression.
    [ "$(od -An -tx1 -N 9 "$prefix/$file" | tr -d ' \n')" = 1f8b08000000000002 ] ||
        fail "$file is not compressed with gzip -9n"
done
gzip -cd "$prefix/share/doc/zaplino/changelog.gz" | head -n 1 | grep -q '^zaplino ([0-9.]*) ' ||
    fail "changelog does not start with an entry for zaplino"

[ -d "$prefix/share/games/zaplino/wordlists" ] || fail "the page's word-list folder is not the installed one"
need_tool man
for page in man/man6 man/de/man6; do
    file="$prefix/share/$page/zaplino.6.gz"
    [ -f "$file" ] || continue
    # As lintian runs it.
    warnings=$(LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l -Tutf8 -Z "$file" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page/zaplino.6: $warnings"
    text=$(gzip -cd "$file")
    printf '%s\n' "$text" | grep -q '^\.TH ZAPLINO 6 ' || fail "$page/zaplino.6 is not in section 6"
    printf '%s\n' "$text" | grep -q '@[A-Z_]*@' && fail "$page/zaplino.6 has an unreplaced @placeholder@"
    for name in BESTFANG.LST '~/Zaplino' /usr/share/games/zaplino/wordlists/ CR Windows-1252 \
                ZAPLINO_FOLDER /etc/xdg/zaplino/folders; do
        printf '%s\n' "$text" | grep -qF -e "$name" || fail "$page/zaplino.6 does not mention $name"
    done
done

finish

# Validates the installed AppStream file on its own and against the installed tree
# (launchable desktop entry, icon), without network access.
. "$(dirname "$0")/common.sh"
need_tool appstreamcli
install_prefix

metainfo="$prefix/share/metainfo/$app_id.metainfo.xml"
[ -f "$metainfo" ] || { fail "metainfo file is missing"; finish; }

# The project has no web site, so the file names no homepage; AppStream 1.0 warns
# about that (url-homepage-missing), and that warning alone is let through.
validate() {
    local report
    report=$(appstreamcli "$@" 2>&1) && return 0
    printf '%s\n' "$report"
    ! printf '%s\n' "$report" | grep -E '^ *[EW]: ' | grep -qv ': url-homepage-missing$' &&
        printf '%s\n' "$report" | grep -q ': url-homepage-missing$'
}
validate validate --no-net --pedantic "$metainfo" || fail "appstreamcli validate"
validate validate-tree --no-net "$prefix" || fail "appstreamcli validate-tree"

# example.org and its kind are reserved names: a software centre would show a dead link.
grep -Eo 'https?://[^<" ]*' "$metainfo" | grep -E '^https?://([^/]*\.)?example\.(org|com|net)(/|$)' &&
    fail "metainfo links to a place that does not exist"

grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    fail "launchable does not name the desktop entry"
command=$(sed -n 's|.*<binary>\(.*\)</binary>.*|\1|p' "$metainfo")
[ -n "$command" ] && [ -x "$prefix/games/$command" ] || fail "provided binary '$command' is not installed in games"

finish

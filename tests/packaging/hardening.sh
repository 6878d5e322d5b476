# Reads the hardening of the built program from its ELF headers: position-independent
# executable, full RELRO (relocations read-only after all symbols were bound at start),
# stack protector and, where the build optimises, _FORTIFY_SOURCE.
. "$(dirname "$0")/common.sh"
program=${3:?program}
config=${4-}
need_tool readelf

headers=$(readelf -W --program-headers --dynamic "$program")
symbols=$(readelf -W --dyn-syms "$program")
has() { printf '%s\n' "$1" | grep -Eq -e "$2"; }

has "$headers" '\(FLAGS_1\).* PIE' || fail "not a position-independent executable"
has "$headers" 'GNU_RELRO' || fail "no RELRO segment"
has "$headers" '\(FLAGS\).* BIND_NOW|\(FLAGS_1\).* NOW' || fail "symbols are not bound at start (no BIND_NOW)"
has "$symbols" ' __stack_chk_fail@' || fail "no stack protector"
if [ "$config" != Debug ]; then
    has "$symbols" ' __[a-z]+_chk@' || fail "no fortified functions (_FORTIFY_SOURCE)"
fi

finish

# Configures the sources as packaging helpers do (CMake's default generator, no build
# type) and builds what the install takes from the build folder besides the programs:
# icons, manual pages and changelog.
. "$(dirname "$0")/common.sh"

default="$work/build"
env -u CMAKE_GENERATOR -u CMAKE_BUILD_TYPE "${CMAKE:-cmake}" -S "$source" -B "$default" \
    -DBUILD_TESTING=OFF -DZAPLINO_BENCHMARKS=OFF ${CXX_LAUNCHER:+"-DCMAKE_CXX_COMPILER_LAUNCHER=$CXX_LAUNCHER"} \
    >"$work/build.log" 2>&1 &&
    "${CMAKE:-cmake}" --build "$default" --target zaplino_app_icons zaplino_docs >>"$work/build.log" 2>&1 ||
    { cat "$work/build.log" >&2; fail "default build"; finish; }

for file in icons/16x16/$app_id.png icons/256x256/$app_id.png share/man/man6/zaplino.6.gz \
    share/man/de/man6/zaplino.6.gz share/doc/zaplino/changelog.gz; do
    [ -s "$default/packaging/$file" ] || fail "$file not built"
done

finish

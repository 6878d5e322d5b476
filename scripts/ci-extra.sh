#!/usr/bin/env bash
# The checks beyond ./test.sh, which must have run first (it installs the packages
# the build and tests need; clang and its fuzzing runtime are installed here):
# the whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer,
# leaks included, then every fuzz target for a bounded time. Any finding fails.
#   FUZZ_SECONDS   time per fuzz target (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."

fuzz_seconds=${FUZZ_SECONDS:-60}
jobs=$(nproc)
source scripts/packages.sh
install_missing_packages clang libclang-rt-dev
for tool in g++ clang++ cmake ninja; do
    command -v "$tool" >/dev/null || { echo "ci-extra: $tool is missing; run ./test.sh first" >&2; exit 1; }
done

stage() { printf '\n== %s (%d s so far)\n' "$1" "$SECONDS"; }

stage "Sanitizer build"
# The benchmarks are not run here, so they are not built either.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZAPLINO_SANITIZE=ON -DZAPLINO_BENCHMARKS=OFF >/dev/null
cmake --build build-asan -j "$jobs"

stage "Tests with AddressSanitizer, UndefinedBehaviorSanitizer and leak checks"
# The packaging checks only inspect the install tree; the normal run covers them.
ctest --test-dir build-asan --output-on-failure -j "$jobs" -E '^packaging_'

stage "Fuzz build"
CC=clang CXX=clang++ cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j "$jobs"

failed=()
for seeds in fuzz/corpus/*/; do
    target=$(basename "$seeds")
    stage "Fuzzing $target for $fuzz_seconds s"
    # New inputs go to a scratch corpus; the seeds in the source tree stay as they are.
    work=build-fuzz/corpus/$target
    mkdir -p "$work" build-fuzz/crashes
    log=build-fuzz/$target.log
    status=0
    "build-fuzz/$target" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="build-fuzz/crashes/$target-" \
        "$work" "$seeds" >"$log" 2>&1 || status=$?
    # The progress lines are many; the findings and the figures are what matter.
    grep -v -E '^(#[0-9]+[[:space:]]+(NEW|REDUCE|pulse)|")' "$log" || true
    [ "$status" -eq 0 ] || failed+=("$target")
done

stage "Done"
if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzz targets that failed: ${failed[*]} (inputs in build-fuzz/crashes/)" >&2
    exit 1
fi

#!/usr/bin/env bash
# The whole test suite, twice: a normal build and an AddressSanitizer +
# UndefinedBehaviorSanitizer build, each in its own folder; then a short fuzz run of the
# snapshot reader (build-fuzz, clang), seeded with the snapshots the normal build's tests kept.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$top/tests/lsan.supp}

status=0
for variant in normal sanitize; do
    # Everything on, whatever the cache holds: the main job leaves build/ configured
    # without the tests and the benchmarks.
    if [ "$variant" = normal ]; then
        dir="$top/build"
        opts=(-DCMAKE_BUILD_TYPE=Release -DQLWIZ_WITH_GUI=ON -DQLWIZ_WITH_TESTS=ON
              -DQLWIZ_WITH_BENCH=ON -DQLWIZ_SANITIZE=OFF)
    else
        # Unoptimised with line tables only: the sanitizers find the same faults, and the
        # build is the slow half of the run.
        dir="$top/build-asan"
        opts=(-DQLWIZ_SANITIZE=ON -DQLWIZ_WITH_GUI=ON -DQLWIZ_WITH_TESTS=ON
              -DQLWIZ_WITH_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O0 -g1")
    fi
    echo "=== $variant build ($dir)"
    "$top/scripts/build.sh" "$dir" "${opts[@]}"
    echo "=== $variant tests"
    (cd "$dir" && ctest --output-on-failure -j 2) || status=1
done
echo "=== fuzz run (build-fuzz)"
"$top/scripts/fuzz.sh" 5 || status=1
exit $status

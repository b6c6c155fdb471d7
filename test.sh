#!/usr/bin/env bash
# Builds Kelvra and runs the whole test suite twice: a normal build, then a
# build under AddressSanitizer and UndefinedBehaviorSanitizer in which any
# report fails the run. Works on a fresh Debian 12 machine.
#   KELVRA_SANITIZE=0 ./test.sh   skips the sanitizer pass
set -euo pipefail
cd "$(dirname "$0")"

tools/deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    # Paths relative to the checkout, so a fresh clone reuses earlier compiles.
    export CCACHE_BASEDIR="$PWD"
fi

echo "== build and test"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

if [ "${KELVRA_SANITIZE:-1}" != 0 ]; then
    echo "== build and test under sanitizers"
    cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVRA_SANITIZE=ON \
        -DKELVRA_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
    cmake --build build-sanitize -j"$jobs"
    export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:strict_string_checks=1"
    export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
    # The package check only repeats the normal run's packaging.
    ctest --test-dir build-sanitize --output-on-failure -j"$jobs" -LE packaging
fi

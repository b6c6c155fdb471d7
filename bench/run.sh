#!/bin/sh
# Builds the benchmark optimised into build-bench and runs it; extra arguments go to it
# (--lines N, --seconds S, --only flood|paced|startup). The start-up figure under Xvfb is
# taken when xvfb-run is installed (the benchmark starts it itself).
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
"$root/tools/deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target kelvra-bench >/dev/null
exec "$build/bench/kelvra-bench" "$@"

#!/usr/bin/env bash
# Builds Kelvra and runs the whole test suite. Works on a fresh Debian 12.
set -euo pipefail
cd "$(dirname "$0")"

tools/deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

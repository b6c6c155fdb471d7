#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer and ASan/UBSan in build-fuzz and runs
# each for the given time, starting from a writable copy of its seed corpus.
# Usage: tests/fuzz/run.sh [SECONDS] [TARGET...]   (default 60 seconds, all targets)
set -euo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$root/build-fuzz"
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] &&
    targets=(fuzz_atclient fuzz_usercommands)

# clang and its sanitizer runtimes are needed here only, not in the normal build
"$root/tools/deps.sh" clang libclang-rt-14-dev

launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DKELVRA_FUZZ=ON -DKELVRA_BUILD_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/tests/sanitizer/lsan.supp}"

status=0
summary=()
for t in "${targets[@]}"; do
    corpus="$build/fuzz-corpus/$t"
    artifacts="$build/fuzz-artifacts/$t/"
    mkdir -p "$corpus" "$artifacts"
    cp -n "$root/tests/fuzz/corpus/$t/"* "$corpus/" 2>/dev/null || true
    log="$build/fuzz-$t.log"
    echo "== $t: ${seconds}s, log $log"
    set +e
    "$build/tests/fuzz/$t" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" >"$log" 2>&1
    rc=$?
    set -e
    # A crash while the seeds load leaves no stats: report it all the same.
    stats="$(grep -E '^#[0-9]+[[:space:]]+(DONE|pulse|NEW|REDUCE|INITED)' "$log" | tail -1 || true)"
    execs="$(grep -E '^stat::number_of_executed_units:' "$log" | awk '{print $2}' || true)"
    cov="$(sed -nE 's/.* cov: ([0-9]+).*/\1/p' <<<"$stats")"
    ft="$(sed -nE 's/.* ft: ([0-9]+).*/\1/p' <<<"$stats")"
    if [ $rc -eq 0 ]; then
        result="clean"
    else
        result="CRASHED (exit $rc; see $log and $artifacts)"
        status=1
    fi
    summary+=("$(printf '%-18s executions %-9s cov %-6s ft %-6s %s' "$t" "${execs:-?}" \
        "${cov:-?}" "${ft:-?}" "$result")")
done

echo
printf '%s\n' "${summary[@]}"
exit $status

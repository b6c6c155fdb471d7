#!/usr/bin/env bash
# Round trips of AT against the module simulator, by kelvra-at and by chat (Debian's ppp
# package) in the same run: commands per second and the time per command, the median of three
# rounds each, taken in turns.
#   bench/at-rtt.sh [N]    N round trips per round (default 1000)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
n=${1:-1000}
case "$n" in '' | *[!0-9]* | 0)
    echo "usage: $0 [N]  (N round trips, default 1000)" >&2
    exit 2
    ;;
esac

"$root/tools/deps.sh" ppp
chat=$(command -v chat || echo /usr/sbin/chat)
build="$root/build-bench"
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build "$build" -j2 --target kelvra-at kelvra-modsim >/dev/null

work=$(mktemp -d)
"$build/tools/modsim/kelvra-modsim" >"$work/sim.out" 2>"$work/sim.err" &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do
    [ -s "$work/sim.out" ] && break
    sleep 0.1
done
port=$(head -n 1 "$work/sim.out")
[ -c "$port" ] || { echo "$0: the simulator did not start" >&2; cat "$work/sim.err" >&2; exit 1; }

steps=()
script=("")
for _ in $(seq "$n"); do
    steps+=(AT)
    script+=(AT OK)
done

# Seconds one command line takes, or a failure.
timed() {
    local start end
    start=$(date +%s%N)
    "$@" || { echo "$0: failed: $1" >&2; exit 1; }
    end=$(date +%s%N)
    echo $(((end - start) / 1000)) # microseconds
}
at_run() { "$build/tools/at/kelvra-at" -q "$port" "${steps[@]}"; }
# chat sends each command with a carriage return and waits for OK in what comes back.
chat_run() { "$chat" -t 5 "${script[@]}" <"$port" >"$port"; }

at_us=()
chat_us=()
for _ in 1 2 3; do
    at_us+=("$(timed at_run)")
    chat_us+=("$(timed chat_run)")
done

report() {
    local name=$1 median
    shift
    median=$(printf '%s\n' "$@" | sort -n | sed -n 2p)
    awk -v name="$name" -v n="$n" -v us="$median" 'BEGIN {
        printf "%-10s %d round trips in %.3f s: %.0f commands/s, %.3f ms per command\n",
            name, n, us / 1e6, n / (us / 1e6), us / 1000 / n }'
}
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
report kelvra-at "${at_us[@]}"
report chat "${chat_us[@]}"

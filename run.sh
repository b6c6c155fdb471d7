#!/usr/bin/env bash
# Builds and starts Kelvra. Without options a simulated module is attached on
# a pseudo-terminal; with --device the program starts alone, for a real module.
set -euo pipefail
cd "$(dirname "$0")"

device=0
case "${1:-}" in
    "") ;;
    --device) device=1 ;;
    -h | --help)
        echo "usage: $0 [--device]"
        echo "  (no option)  start Kelvra with the module simulator on a pseudo-terminal"
        echo "  --device     start Kelvra alone, for a real module on a serial port"
        exit 0
        ;;
    *)
        echo "$0: unknown option '$1' (try --help)" >&2
        exit 2
        ;;
esac

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "$0: no display: Kelvra is a desktop program and needs a graphical session" >&2
    echo "(DISPLAY or WAYLAND_DISPLAY is unset). Start it from a desktop, or under" >&2
    echo "Xvfb with: xvfb-run -a $0 ${1:-}" >&2
    exit 1
fi

tools/deps.sh

launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target kelvra kelvra-modsim kelvra-flash kelvra-at

if [ "$device" -eq 1 ]; then
    exec build/kelvra
fi

runtime=$(mktemp -d "${TMPDIR:-/tmp}/kelvra-run.XXXXXX")
link="$runtime/module"
build/tools/modsim/kelvra-modsim --link "$link" >"$runtime/modsim.out" 2>"$runtime/modsim.err" &
sim=$!
cleanup() {
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
    rm -rf "$runtime"
}
trap cleanup EXIT INT TERM

for _ in $(seq 50); do
    [ -L "$link" ] && break
    if ! kill -0 "$sim" 2>/dev/null; then
        echo "$0: the module simulator did not start:" >&2
        cat "$runtime/modsim.err" >&2
        exit 1
    fi
    sleep 0.1
done

echo "Simulated module on $link ($(head -n 1 "$runtime/modsim.out"))."
echo "The window lists it first as \"$link (virtual)\": press Open and type AT+VERSION."
KELVRA_EXTRA_PORTS="$link${KELVRA_EXTRA_PORTS:+:$KELVRA_EXTRA_PORTS}" build/kelvra

#!/usr/bin/env bash
# Takes docs/screenshot.png from the real window under Xvfb, talking to the
# module simulator. Needs a built tree (./test.sh or ./run.sh); installs
# xdotool and ImageMagick if they are missing.
#   xvfb-run -a -s '-screen 0 1280x800x24' tools/screenshot.sh [OUT.png]
# With --session: docs/session.png, times shown, recording, the find bar open.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/deps.sh" xdotool imagemagick
session=0
if [ "${1:-}" = --session ]; then
    session=1
    shift
fi
out=${1:-$root/docs/$([ $session = 1 ] && echo session || echo screenshot).png}
work=$(mktemp -d)
trap 'kill $app $sim 2>/dev/null || true; rm -rf "$work"' EXIT

home=$work/home
mkdir -p "$home/.config/Tavrosk" "$home/.local/share/Tavrosk/Kelvra"
printf '[General]\nport=%s\n\n[view]\nuser-commands=%s\ncommand-list=true\nshow-times=%s\n' \
    "$work/module" $([ $session = 1 ] && echo false || echo true) \
    $([ $session = 1 ] && echo true || echo false) >"$home/.config/Tavrosk/Kelvra.conf"
cat >"$home/.local/share/Tavrosk/Kelvra/user_commands.json" <<'JSON'
[
    {"auto": false, "period": 1000, "value": "AT+VERSION"},
    {"auto": false, "period": 5000, "value": "AT+WFSCANAP"},
    {"auto": false, "period": 1000, "value": "AT+WRITEB=0,4"}
]
JSON

"$root/build/tools/modsim/kelvra-modsim" --link "$work/module" >/dev/null &
sim=$!
sleep 1
HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share \
    KELVRA_EXTRA_PORTS=$work/module "$root/build/kelvra" &
app=$!
sleep 3
wid=$(xdotool search --onlyvisible --name "Kelvra 1.0.0" | head -1)
xdotool windowsize "$wid" 1100 640
xdotool windowmove "$wid" 0 0
xdotool windowfocus --sync "$wid"
sleep 0.5
if [ $session = 1 ]; then
    xdotool mousemove 1085 18 click 1 # "...", then "Record to file..." and a file name
    sleep 0.5
    xdotool key Down Down Down Down Return
    sleep 1
    xdotool type --delay 20 "$work/session.log"
    xdotool key Return
    sleep 1
fi
xdotool mousemove 150 628 click 1 # the input line
sleep 0.5
for cmd in AT AT+VERSION AT+DATAMODE=2 AT+WFSCANAP AT+WRITEB=0,5; do
    xdotool type --delay 20 "$cmd"
    xdotool key Return
    sleep 0.7
done
xdotool type --delay 20 "4b 65 6c 76 72" # the payload dialog is open now
xdotool key Return
sleep 1.5
if [ $session = 1 ]; then
    xdotool mousemove 150 628 click 1 # active again after the dialog, for the shortcut
    xdotool key ctrl+f
    sleep 0.3
    xdotool type --delay 20 "ok"
    xdotool key Return
    sleep 1
fi
import -window root -crop 1100x640+0+0 "$out"
echo "wrote $out"

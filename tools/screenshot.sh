#!/usr/bin/env bash
# Takes docs/screenshot.png from the real window under Xvfb, talking to the
# module simulator. Needs a built tree (./test.sh or ./run.sh); installs
# xdotool and ImageMagick if they are missing.
#   xvfb-run -a -s '-screen 0 1280x800x24' tools/screenshot.sh [OUT.png]
# With --session: docs/session.png, times shown, recording, the find bar open.
# With --exchanges: docs/exchanges.png, a repeating command failing now and then, its
# exchanges under the log and the summary below.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/deps.sh" xdotool imagemagick
session=0
exchanges=0
name=screenshot
if [ "${1:-}" = --session ]; then
    session=1 name=session
    shift
elif [ "${1:-}" = --exchanges ]; then
    exchanges=1 name=exchanges
    shift
fi
out=${1:-$root/docs/$name.png}
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
sim_faults=()
if [ $exchanges = 1 ]; then
    printf '[General]\nport=%s\n\n[view]\nuser-commands=true\ncommand-list=false\nexchanges=true\nmark-failed=true\n' \
        "$work/module" >"$home/.config/Tavrosk/Kelvra.conf"
    printf '[{"auto": false, "period": 500, "value": "AT+UID"},\n {"auto": false, "period": 5000, "value": "AT+WFSCANAP"}]\n' \
        >"$home/.local/share/Tavrosk/Kelvra/user_commands.json"
    sim_faults=(--cme-error 9 --cme-error 13 --cme-error 20 --cme-error 21)
fi

"$root/build/tools/modsim/kelvra-modsim" "${sim_faults[@]}" --link "$work/module" >/dev/null &
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
if [ $exchanges = 1 ]; then
    xdotool mousemove 551 330 mousedown 1 mousemove 700 330 mousemove 800 330 mouseup 1
    sleep 0.5
    xdotool mousemove 150 628 click 1 # the input line
    sleep 0.5
    for cmd in AT AT+VERSION AT+NOPE 'AT+WFCONNAP="Workshop"'; do
        xdotool type --delay 20 "$cmd"
        xdotool key Return
        sleep 0.7
    done
    xdotool mousemove 1028 63 click 1 # AT+UID repeating
    sleep 7
    # Column widths to their contents, the right one first: the left one moves it.
    xdotool mousemove 301 352 click --repeat 2 1
    sleep 0.2
    xdotool mousemove 201 352 click --repeat 2 1
    sleep 0.5
    import -window root -crop 1100x640+0+0 "$work/rows.png"
    xdotool mousemove 130 330 click 1 # the Summary tab
    sleep 0.5
    xdotool mousemove 401 352 click --repeat 2 1
    sleep 0.2
    xdotool mousemove 101 352 click --repeat 2 1
    sleep 0.2
    xdotool mousemove 150 628 click 1 # no cell focused
    sleep 0.5
    import -window root -crop 798x136+0+318 "$work/summary.png"
    convert "$work/rows.png" "$work/summary.png" -background '#efefef' -append \
        -colors 128 "$out"
    echo "wrote $out"
    exit 0
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

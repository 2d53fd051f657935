#!/usr/bin/env bash
# Installs what is missing, builds the three programs, starts the device stand-in on loopback and opens
# the monitor connected to it. Without a display it runs the headless demo (screenshots and files in
# demo/). ./run.sh --device HOST[:PORT] connects to a real device instead of the stand-in.
set -euo pipefail
cd "$(dirname "$0")"
top=$PWD

usage() {
    echo "usage: ./run.sh [--device HOST[:PORT]]" >&2
    exit 2
}

device=""
case "${1:-}" in
"") ;;
--device)
    [ $# -eq 2 ] && [ -n "$2" ] || usage
    device=$2
    ;;
*) usage ;;
esac

# Packages first (only the missing ones), then the three programs of the default (Debug) build.
scripts/setup.sh
[ -f build/default/CMakeCache.txt ] || cmake --preset default >/dev/null
cmake --build --preset default --target ZELK-NET-MONITOR Kurvex zelk-devicesim
bin=$top/build/default/bin
work=$top/demo
mkdir -p "$work"

sim_pid=""
cleanup() { if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; fi; }
trap cleanup EXIT

if [ -z "$device" ]; then
    # The stand-in prints its port on the first line of standard output; runs take 6 seconds.
    coproc SIM { exec "$bin/zelk-devicesim" --listen 127.0.0.1:0 --run-ms 6000; }
    sim_pid=$SIM_PID
    read -r port <&"${SIM[0]}"
    device="127.0.0.1:$port"
    echo "run: zelk-devicesim listening on $device (pid $sim_pid)"
fi

cd "$work"
export ZELK_DEFAULT_ADDRESS=$device
# A settings file saved earlier names the device it was saved with: point it at this one.
if [ -f ZELK_NET.cfg ]; then
    sed -i "1s|^IPaddress,[^\r]*|IPaddress,$device|" ZELK_NET.cfg
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "run: starting ZELK-NET-MONITOR in $work, device $device"
    "$bin/ZELK-NET-MONITOR"
    exit 0
fi

echo "run: no display; running the headless demo in $work, device $device"
rm -f monitor-polling.png monitor-after-run.png kurvex-full.png kurvex.png kurvex-measure.png All_data.txt \
    AutoSave.txt zoomed.csv kurvex-plot.pdf ZELK_NET_comm.log ZELK_NET_comm.log.1 demo.jsonl \
    kurvex-follow.png follow.jsonl
# An offscreen screen of 1366x768 at 96 dpi, so the monitor lays itself out as on a laptop screen.
screen=$(mktemp --suffix=.json)
cleanup_screen() { rm -f "$screen"; cleanup; }
trap cleanup_screen EXIT
echo '{"screens":[{"name":"demo","x":0,"y":0,"width":1366,"height":768,"logicalDpi":96,"logicalBaseDpi":96}]}' \
    >"$screen"
export QT_QPA_PLATFORM="offscreen:configfile=$screen"
export ZELK_AUTOMATION=$top/scripts/demo-monitor.txt
export ZELK_AUTOMATION_VIEWER=$top/scripts/demo-viewer.txt
# Kurvex, started by "Show Graph", inherits the monitor's output: the pipe ends when both have ended.
# A second Kurvex follows the run's AutoSave.txt while it grows (scripts/demo-follow.txt).
follow_run() {
    for _ in $(seq 600); do
        [ -s AutoSave.txt ] && break
        sleep 0.1
    done
    [ -s AutoSave.txt ] && ZELK_AUTOMATION=$top/scripts/demo-follow.txt "$bin/Kurvex" >follow.jsonl
}
follow_run &
follow_pid=$!
"$bin/ZELK-NET-MONITOR" | cat >demo.jsonl
wait "$follow_pid"

event_count() { cat demo.jsonl follow.jsonl 2>/dev/null | grep -c "\"event\":\"$1\"" || true; }
field() { grep "\"name\":\"$1\"" "${3:-demo.jsonl}" | sed -n "${4:-\$}p" | sed -n "s/.*\"$2\":\"\([^\"]*\)\".*/\1/p"; }

samples=$(sed -n 's/^Samples: *\([0-9]*\).*/\1/p' All_data.txt 2>/dev/null || true)
echo "run: the monitor polled the device, switched outputs 1 and 3 on, stopped polling and ran a"
echo "     fast-sampling run to its end code $(field lblErrNumer caption) \"$(field lblErrDescr caption)\" (${samples:-no} readings);"
echo "     Show Graph started Kurvex on All_data.txt, which zoomed to $(field txtXmin text)..$(field txtXmax text) ms,"
echo "     then two wheel notches further, measured \"$(field lblCursors caption)\""
echo "     and exported $(($(wc -l <zoomed.csv 2>/dev/null || echo 1) - 1)) readings to zoomed.csv and the plot to kurvex-plot.pdf;"
echo "     while the run went on, a second Kurvex followed AutoSave.txt: its right edge moved from"
echo "     $(field txtXmax text follow.jsonl 1) ms to $(field txtXmax text follow.jsonl 2) ms (kurvex-follow.png);"
echo "     the communication log holds $(wc -l <ZELK_NET_comm.log 2>/dev/null || echo 0) lines."
echo "run: files in $work:"
for f in monitor-polling.png monitor-after-run.png kurvex-full.png kurvex.png kurvex-measure.png \
    kurvex-follow.png All_data.txt zoomed.csv kurvex-plot.pdf ZELK_NET_comm.log demo.jsonl follow.jsonl; do
    if [ -f "$f" ]; then
        printf '     %-22s %8d bytes\n' "$f" "$(stat -c %s "$f")"
    else
        printf '     %-22s missing\n' "$f"
    fi
done
problems=$(($(event_count error) + $(event_count timeout) + $(event_count msgbox)))
if [ "$problems" -gt 0 ]; then
    echo "run: the demo did not go as planned; see the error, timeout and msgbox lines in demo/demo.jsonl:"
    grep -hE '"event":"(error|timeout|msgbox)"' demo.jsonl follow.jsonl >&2
    exit 1
fi
echo "run: demo finished."

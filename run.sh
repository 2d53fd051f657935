#!/usr/bin/env bash
# Installs what is missing, builds, starts the device stand-in on loopback and opens the monitor
# connected to it. Without a display it runs the headless demo (screenshots and files in demo/).
# ./run.sh --device HOST[:PORT] connects to a real device instead of the stand-in.
set -euo pipefail
cd "$(dirname "$0")"
top=$PWD

device=""
if [ "${1:-}" = "--device" ]; then
    device=${2:?"usage: ./run.sh [--device HOST[:PORT]]"}
fi

scripts/setup.sh default
bin=$top/build/default
work=$top/demo
mkdir -p "$work"

sim_pid=""
cleanup() { [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true; }
trap cleanup EXIT

if [ -z "$device" ]; then
    # The stand-in prints its port on the first line of standard output.
    coproc SIM { exec "$bin/devicesim/zelk-devicesim" --listen 127.0.0.1:0; }
    sim_pid=$SIM_PID
    read -r port <&"${SIM[0]}"
    device="127.0.0.1:$port"
    echo "run: zelk-devicesim listening on $device (pid $sim_pid)"
fi

cd "$work"
export ZELK_DEFAULT_ADDRESS=$device
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "run: starting ZELK-NET-MONITOR in $work, device $device"
    "$bin/monitor/ZELK-NET-MONITOR"
else
    echo "run: no display; running the headless demo in $work"
    export QT_QPA_PLATFORM=offscreen
    export ZELK_AUTOMATION=$top/scripts/demo-monitor.txt
    "$bin/monitor/ZELK-NET-MONITOR" | tee "$work/monitor-demo.jsonl"
    echo "run: screenshots and files are in $work"
fi

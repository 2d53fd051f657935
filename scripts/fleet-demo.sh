#!/usr/bin/env bash
# Fleet demo: three monitors, each polling a stand-in of its own, publish to one local broker while a
# subscriber prints a line per station per second. Usage: scripts/fleet-demo.sh [--seconds N] [--keep]
# (--keep leaves the temporary folder with each station's files and driver lines, and names it)
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

usage() {
    echo "usage: scripts/fleet-demo.sh [--seconds N] [--keep]" >&2
    exit 2
}

seconds=10
keep=0
while [ $# -gt 0 ]; do
    case $1 in
    --seconds)
        if [ $# -lt 2 ] || ! [[ $2 =~ ^[1-9][0-9]*$ ]]; then usage; fi
        seconds=$2
        shift 2
        ;;
    --keep)
        keep=1
        shift
        ;;
    *) usage ;;
    esac
done
stations=(station-1 station-2 station-3)
# one stand-in profile a station: the second one's inputs toggle, so its io messages change
profiles=("steady --seed 1" "busy --seed 2" "steady --seed 3")

# Packages first (only the missing ones); the two programs only when they are not built yet.
scripts/setup.sh
bin=$top/build/default/bin
if [ ! -x "$bin/ZELK-NET-MONITOR" ] || [ ! -x "$bin/zelk-devicesim" ]; then
    [ -f build/default/CMakeCache.txt ] || cmake --preset default >/dev/null
    cmake --build --preset default --target ZELK-NET-MONITOR zelk-devicesim
fi
broker=$(command -v mosquitto || echo /usr/sbin/mosquitto)
for tool in "$broker" mosquitto_sub ss; do
    command -v "$tool" >/dev/null || { echo "fleet: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d)
pids=()
# shellcheck disable=SC2317 # run by the trap
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    if [ "$keep" = 1 ]; then echo "fleet: the stations' files are in $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The first line a background child writes to FILE (the stand-in's port), waiting up to 10 s.
first_line() {
    for _ in $(seq 100); do
        [ -s "$1" ] && head -n1 "$1" | grep -q . && { head -n1 "$1"; return 0; }
        sleep 0.1
    done
    return 1
}

# The broker on 127.0.0.1 at a port nothing listens on; another port when it loses a race for it.
start_broker() {
    local port used
    used=$(ss -Htln | awk '{ n = split($4, a, ":"); print a[n] }')
    for _ in $(seq 20); do
        port=$((20000 + RANDOM % 30000))
        grep -qx "$port" <<<"$used" && continue
        printf 'listener %s 127.0.0.1\nallow_anonymous true\npersistence false\n' "$port" >"$work/broker.conf"
        "$broker" -c "$work/broker.conf" 2>"$work/broker.log" &
        broker_pid=$!
        for _ in $(seq 50); do
            kill -0 "$broker_pid" 2>/dev/null || break
            if ss -Htln "sport = :$port" | grep -q .; then
                pids+=("$broker_pid")
                broker_port=$port
                return 0
            fi
            sleep 0.1
        done
        kill "$broker_pid" 2>/dev/null || true
        wait "$broker_pid" 2>/dev/null || true
    done
    echo "fleet: the broker did not start:" >&2
    cat "$work/broker.log" >&2
    return 1
}

# A station: its stand-in, its folder with the station settings and the script, and its monitor.
start_station() {
    local n=$1 name=${stations[$1]} dir=$work/${stations[$1]} port
    mkdir -p "$dir"
    # shellcheck disable=SC2086 # the profile is two options and their values
    "$bin/zelk-devicesim" --listen 127.0.0.1:0 --profile ${profiles[$n]} >"$dir/sim.port" 2>"$dir/sim.log" &
    pids+=("$!")
    port=$(first_line "$dir/sim.port") || { echo "fleet: the stand-in of $name did not start" >&2; return 1; }
    printf '[Publish]\nEnabled=true\nHost=127.0.0.1\nPort=%s\nClientId=%s\n' "$broker_port" "$name" \
        >"$dir/ZELK_NET_station.ini"
    # the monitor polls for the demo's length, then quits as an operator would: it publishes "offline"
    printf '%s\n' "waitfor lblTotalReadingsD caption 1 20000" "click cmdWeight" "wait $((seconds * 1000))" \
        "dump chkPublish" "quit" >"$dir/script.txt"
    (cd "$dir" && ZELK_DEFAULT_ADDRESS=127.0.0.1:$port ZELK_AUTOMATION=script.txt \
        exec timeout $((seconds + 60)) "$bin/ZELK-NET-MONITOR" >monitor.jsonl 2>monitor.log) &
    monitor_pids+=("$!")
    pids+=("$!")
    echo "fleet: $name polls zelk-devicesim on 127.0.0.1:$port (profile ${profiles[$n]%% *})"
}

# One line per station per second from the subscriber's "ISO-time topic payload" lines: the last weight
# and unit, the last input and output words, the messages of that second; the totals go to $1.
summarise() {
    awk -v names="${stations[*]}" -v totals="$1" '
    function number(s, key) { return match(s, "\"" key "\":-?[0-9.]+") ? substr(s, RSTART + length(key) + 3, RLENGTH - length(key) - 3) : "-" }
    function text(s, key) { return match(s, "\"" key "\":\"[^\"]*\"") ? substr(s, RSTART + length(key) + 4, RLENGTH - length(key) - 5) : "" }
    function flush(   i, s) {
        for (i = 1; i <= n; ++i) {
            s = name[i]
            printf "%s  %s  weight %9s %-3s  inputs %5s  outputs %5s  %3d msgs\n", clock, s, weight[s], unit[s], inputs[s], outputs[s], count[s]
            count[s] = 0
        }
        fflush()
    }
    BEGIN { n = split(names, name, " "); for (i = 1; i <= n; ++i) { weight[name[i]] = inputs[name[i]] = outputs[name[i]] = "-" } }
    {
        second = substr($1, 1, 19)
        if (second != current && current != "") flush()
        current = second; clock = substr(second, 12)
        split($2, level, "/"); s = level[2]; kind = level[3]
        payload = substr($0, length($1) + length($2) + 3)
        ++count[s]; ++total[s]
        if (kind == "weight") { weight[s] = number(payload, "weight"); unit[s] = text(payload, "unit") }
        if (kind == "io") { inputs[s] = number(payload, "inputs"); outputs[s] = number(payload, "outputs") }
    }
    END {
        if (current != "") flush()
        for (i = 1; i <= n; ++i) print name[i], total[name[i]] + 0 > totals
    }'
}

start_broker
echo "fleet: mosquitto listening on 127.0.0.1:$broker_port (pid $broker_pid)"
mkfifo "$work/feed"
mosquitto_sub -h 127.0.0.1 -p "$broker_port" -t 'zelk/#' -F '%I %t %p' >"$work/feed" &
sub_pid=$!
pids+=("$sub_pid")
summarise "$work/totals" <"$work/feed" &
summary_pid=$!
pids+=("$summary_pid")

screen=$work/screen.json
echo '{"screens":[{"name":"fleet","x":0,"y":0,"width":1366,"height":768,"logicalDpi":96,"logicalBaseDpi":96}]}' \
    >"$screen"
export QT_QPA_PLATFORM="offscreen:configfile=$screen"
monitor_pids=()
for n in "${!stations[@]}"; do start_station "$n"; done
echo "fleet: three monitors publish for $seconds s; the subscriber's lines (time, station, last weight, last"
echo "       input and output words, messages that second):"

status=0
for pid in "${monitor_pids[@]}"; do wait "$pid" || status=1; done
sleep 0.5
kill "$sub_pid" 2>/dev/null || true
wait "$summary_pid" || true

echo "fleet: the monitors quit; the retained status of each station:"
retained=$(mosquitto_sub -h 127.0.0.1 -p "$broker_port" -t 'zelk/+/status' -F '     %t %p' \
    -C "${#stations[@]}" -W 3 2>/dev/null || true)
echo "${retained:-     (none)}"
boxes=""
for name in "${stations[@]}"; do
    dir=$work/$name
    total=$(awk -v s="$name" '$1 == s { print $2 }' "$work/totals")
    box=$(grep '"name":"chkPublish"' "$dir/monitor.jsonl" | sed -n 's/.*"value":\([0-9]\).*/\1/p' || true)
    boxes+="  $name ${box:-?}"
    if [ "${total:-0}" -eq 0 ]; then
        echo "fleet: $name published nothing" >&2
        status=1
    elif [ "${box:-}" != 1 ]; then
        echo "fleet: $name's messages arrived, but its Publish box did not show the connection at the end" >&2
    fi
    if grep -hE '"event":"(error|timeout|msgbox)"' "$dir/monitor.jsonl" >&2; then
        echo "fleet: the monitor of $name did not go as planned (its lines above)" >&2
        status=1
    fi
done
echo "fleet: each Publish box before the quit (1 connected, 2 on but not connected):$boxes"
[ $status -eq 0 ] && echo "fleet: demo finished."
exit $status

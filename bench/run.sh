#!/usr/bin/env bash
# Station benchmarks (not run by CI): builds the release preset, measures every figure against its
# baseline in the same run, prints one line per figure and writes bench/results.md.
# Usage: bench/run.sh [--no-build] [--no-profile] [--no-soak]   (the soak polls 100,000 times: ~8 min)
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=$ROOT/build/release
BIN=$BUILD/bin
BENCH=$BUILD/bench
OUT=$ROOT/bench/results.md
build=1 profile=1 soak=1
for a in "$@"; do
    case $a in
    --no-build) build=0 ;;
    --no-profile) profile=0 ;;
    --no-soak) soak=0 ;;
    *) echo "usage: bench/run.sh [--no-build] [--no-profile] [--no-soak]" >&2; exit 2 ;;
    esac
done

if [ $build = 1 ]; then
    # only what the benchmarks run: the machine is shared and the tests are built elsewhere
    cmake --preset release >/dev/null &&
        cmake --build --preset release -j2 --target ZELK-NET-MONITOR Kurvex zelk-devicesim bench_polling \
            bench_monitor_loop bench_startup_baseline bench_sampling bench_viewer ||
        { echo "build failed" >&2; exit 1; }
fi
for p in "$BIN/ZELK-NET-MONITOR" "$BIN/Kurvex" "$BIN/zelk-devicesim" "$BENCH/bench_polling" \
    "$BENCH/bench_monitor_loop" "$BENCH/bench_startup_baseline" "$BENCH/bench_sampling" "$BENCH/bench_viewer"; do
    [ -x "$p" ] || { echo "missing $p (is libbenchmark-dev installed?)" >&2; exit 1; }
done

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
export QT_QPA_PLATFORM=offscreen
unset ZELK_AUTOMATION ZELK_AUTOMATION_VIEWER ZELK_TICK_START

# ---- figures 1 to 4: the station programs ----
: >"$TMP/figures"
parts=("bench_polling polling" "bench_monitor_loop responsiveness" "bench_polling idle"
    "bench_monitor_loop waitflag" "bench_polling startup")
[ $soak = 0 ] || parts+=("bench_polling soak")
for part in "${parts[@]}"; do
    set -- $part
    echo "== $1 $2" >&2
    "$BENCH/$1" "$BIN" "$2" 2>>"$TMP/stderr" | grep '^FIGURE' | tee -a "$TMP/figures" | \
        awk -F'\t' '{ printf "%-48s %10s %-8s baseline %10s  ratio %6s  target %-18s %s\n", $2, $3, $5, $4, $6, $7, $8 }'
done

# ---- a short profile of the monitor polling (callgrind) ----
profile_text="(profile skipped)"
if [ $profile = 1 ] && command -v valgrind >/dev/null; then
    echo "== profile: monitor polling 300 cycles under callgrind" >&2
    mkdir -p "$TMP/prof"
    coproc SIM { exec "$BIN/zelk-devicesim" --listen 127.0.0.1:0 2>/dev/null; }
    read -r port <&"${SIM[0]}"
    printf 'waitfor lblTotalReadingsD caption 1 60000\nwaitfor cmdWeight backcolor 0x8000000F 60000\nclick cmdWeight\nwaitfor lblTotalReadingsD caption 300 600000\nquit\n' >"$TMP/prof/script.txt"
    (cd "$TMP/prof" && ZELK_AUTOMATION=script.txt ZELK_DEFAULT_ADDRESS=127.0.0.1:$port \
        valgrind --tool=callgrind --callgrind-out-file=callgrind.out "$BIN/ZELK-NET-MONITOR" >/dev/null 2>&1)
    kill "$SIM_PID" 2>/dev/null; wait "$SIM_PID" 2>/dev/null
    if [ -f "$TMP/prof/callgrind.out" ]; then
        callgrind_annotate --inclusive=no "$TMP/prof/callgrind.out" 2>/dev/null |
            grep -E '^ *[0-9,]+ \(' | head -15 | sed -E 's/ *\([^)]*\) */  /; s/\[[^]]*\]//' >"$TMP/profile_self"
        callgrind_annotate --inclusive=yes "$TMP/prof/callgrind.out" 2>/dev/null |
            grep -E '^ *[0-9,]+ \(' | grep -E 'frmClient|ReplyAssembler|Framing|Zelk::|QLabel|QWidget::setPalette|QTcpSocket|QAbstractSocket' |
            head -15 | sed -E 's/\[[^]]*\]//' >"$TMP/profile_incl"
        profile_text=$(printf 'Self cost (instructions), top 15:\n%s\n\nInclusive cost of our code and the Qt calls it makes:\n%s\n' \
            "$(cat "$TMP/profile_self")" "$(cat "$TMP/profile_incl")")
    fi
fi

# ---- figure 5: the Google Benchmark programs ----
echo "== bench_sampling, bench_viewer" >&2
"$BENCH/bench_sampling" --benchmark_color=false >"$TMP/sampling.txt" 2>&1
"$BENCH/bench_viewer" --benchmark_color=false >"$TMP/viewer.txt" 2>&1
# their reporters colour the table whatever the flag says: strip the escapes
sed -i 's/\x1b\[[0-9;]*m//g' "$TMP/sampling.txt" "$TMP/viewer.txt"
grep -hE ' / .* = |bytes per reading|^BM_ExportCsvAll:' "$TMP/sampling.txt" "$TMP/viewer.txt"

# ---- the report ----
cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
{
    echo "# Station benchmark results"
    echo
    echo "Written by \`bench/run.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'); machine: $(nproc) cores, $cpu;"
    echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg). Release preset (RelWithDebInfo)."
    echo
    echo "| figure | value | baseline (same run) | unit | ratio | target | result |"
    echo "|---|---:|---:|---|---:|---|---|"
    awk -F'\t' '{ printf "| %s | %s | %s | %s | %s | %s | %s |\n", $2, $3, $4, $5, $6, $7, $8 }' "$TMP/figures"
    echo
    echo "Details of each figure (repeated runs; medians are reported):"
    echo
    awk -F'\t' '{ printf "- %s: %s\n", $2, $9 }' "$TMP/figures"
    echo
    echo "## Fast-sampling and viewer benchmarks (Google Benchmark)"
    echo
    echo '```'
    grep -hE '^BM_|^Benchmark|^---| / .* = |bytes per reading|WARNING' "$TMP/sampling.txt" "$TMP/viewer.txt"
    echo '```'
    echo
    echo "## Profile of the monitor polling"
    echo
    echo '```'
    echo "$profile_text"
    echo '```'
    if [ -f "$ROOT/bench/results-notes.md" ]; then
        echo
        cat "$ROOT/bench/results-notes.md"
    fi
} >"$OUT"
echo "report written to $OUT" >&2

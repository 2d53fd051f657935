#!/usr/bin/env bash
# Station benchmarks (not run by CI): builds the release preset, measures every figure against its
# baseline in the same run, prints one line per figure and writes bench/results.md.
# Usage: bench/run.sh [--no-build] [--no-profile] [--no-soak]   (the soak polls 100,000 times: a few min)
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=$ROOT/build/release
BIN=$BUILD/bin
BENCH=$BUILD/bench
OUT=$ROOT/bench/results.md
build=1 profile=1 soak=1
PROFILE_MS=${PROFILE_MS:-20000} PROFILE_TOP=40
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
            bench_monitor_loop bench_startup_baseline bench_sampling bench_viewer bench_kurvex_load \
            bench_load_baseline ||
        { echo "build failed" >&2; exit 1; }
fi
for p in "$BIN/ZELK-NET-MONITOR" "$BIN/Kurvex" "$BIN/zelk-devicesim" "$BENCH/bench_polling" \
    "$BENCH/bench_monitor_loop" "$BENCH/bench_startup_baseline" "$BENCH/bench_sampling" "$BENCH/bench_viewer" \
    "$BENCH/bench_kurvex_load" "$BENCH/bench_load_baseline"; do
    [ -x "$p" ] || { echo "missing $p (is libbenchmark-dev installed?)" >&2; exit 1; }
done

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
# offscreen on a laptop's screen of 1366x768: the platform's own default screen cuts the monitor's window
echo '{"screens":[{"name":"bench","x":0,"y":0,"width":1366,"height":768,"logicalDpi":96,"logicalBaseDpi":96}]}' \
    >"$TMP/screen.json"
export QT_QPA_PLATFORM="offscreen:configfile=$TMP/screen.json"
unset ZELK_AUTOMATION ZELK_AUTOMATION_VIEWER ZELK_TICK_START

# ---- figures 1 to 4: the station programs, each value and its baseline in interleaved runs ----
# (publishing runs its own mosquitto on loopback: without it, that figure is MISSED with no runs)
: >"$TMP/figures"
parts=("bench_polling polling" "bench_polling trend" "bench_polling publish" "bench_polling polling50" "bench_kurvex_load load" "bench_polling startup"
    "bench_monitor_loop responsiveness" "bench_polling idle" "bench_monitor_loop waitflag")
[ $soak = 0 ] || parts+=("bench_polling soak")
for part in "${parts[@]}"; do
    set -- $part
    echo "== $1 $2" >&2
    "$BENCH/$1" "$BIN" "$2" 2>>"$TMP/stderr" | grep '^FIGURE' | tee -a "$TMP/figures" | \
        awk -F'\t' '{ printf "%-48s %10s %-8s baseline %10s  ratio %6s  target %-18s %s\n", $2, $3, $5, $4, $6, $7, $8 }'
done

# ---- where a polling cycle's time goes: the monitor polling the fast peer under callgrind ----
# Only the event loop is counted (--toggle-collect), so the window's construction stays out.
profile_text="(profile skipped)"
if [ $profile = 1 ] && command -v valgrind >/dev/null; then
    echo "== profile: monitor polling the fast peer under callgrind, $PROFILE_MS ms" >&2
    mkdir -p "$TMP/prof"
    coproc PEER { exec "$BENCH/bench_polling" "$BIN" peer 2>/dev/null; }
    read -r port <&"${PEER[0]}"
    printf '%s\n' "waitfor lblTotalReadingsD caption 1 120000" "waitfor cmdWeight backcolor 0x8000000F 120000" \
        "dump lblTotalReadingsD" "click cmdWeight" "wait $PROFILE_MS" "dump lblTotalReadingsD" "quit" \
        >"$TMP/prof/script.txt"
    (cd "$TMP/prof" && ZELK_AUTOMATION=script.txt ZELK_DEFAULT_ADDRESS=127.0.0.1:$port \
        valgrind --tool=callgrind --callgrind-out-file=callgrind.out --toggle-collect='QCoreApplication::exec*' \
        "$BIN/ZELK-NET-MONITOR" >out.jsonl 2>/dev/null)
    eval "exec ${PEER[1]}>&-"
    wait "$PEER_PID" 2>/dev/null
    if [ -f "$TMP/prof/callgrind.out" ]; then
        counts=($(grep -o '"caption":"[0-9]*"' "$TMP/prof/out.jsonl" | grep -o '[0-9]*'))
        cycles=$(( ${counts[1]:-0} - ${counts[0]:-0} ))
        total=$(callgrind_annotate "$TMP/prof/callgrind.out" 2>/dev/null | grep -m1 'PROGRAM TOTALS' | grep -o '^ *[0-9,]*' | tr -d ' ,')
        per_cycle=$([ "$cycles" -gt 0 ] && echo $(( ${total:-0} / cycles )) || echo "n/a")
        # one line a function: its file's folders dropped (the debug information names some files twice)
        entries() {
            callgrind_annotate --auto=no --inclusive="$1" "$TMP/prof/callgrind.out" 2>/dev/null | grep -E '^ *[0-9,]+ \(' |
                sed -E 's/ *\[[^]]*\] *$//; s#  [^ ]*/([^/ ]+:)#  \1#' | awk '!seen[substr($0, index($0, "%)") + 2)]++'
        }
        # the event loop's own chain (99 % and more) and callgrind's counts of recursion (over 100 %) left out
        entries yes | awk -F'[(%]' '$2 + 0 < 99' | head -"$PROFILE_TOP" | cut -c1-200 >"$TMP/profile_incl"
        entries yes | grep -E 'frmClient|Zelk::|Reply::|CommLog|MdlFunctions|NumberFormat|png_|QLabel::setText|QPlainTextEdit::setPlainText|setPalette' |
            head -25 | cut -c1-200 >"$TMP/profile_own"
        entries no | grep -v 'PROGRAM TOTALS' | head -15 | cut -c1-200 >"$TMP/profile_self"
        profile_text=$(printf '%s cycles polled in %s ms under callgrind; %s instructions in the event loop, %s per cycle.\n\nInclusive cost below the event loop itself, top %s:\n%s\n\nInclusive cost of the monitor'"'"'s own code and the Qt calls it makes:\n%s\n\nSelf cost, top 15:\n%s\n' \
            "$cycles" "$PROFILE_MS" "${total:-?}" "$per_cycle" "$PROFILE_TOP" \
            "$(cat "$TMP/profile_incl")" "$(cat "$TMP/profile_own")" "$(cat "$TMP/profile_self")")
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
commit=$(git rev-parse --short HEAD 2>/dev/null || echo unknown)
git diff --quiet HEAD -- 2>/dev/null || commit="$commit with uncommitted changes"
met=$(awk -F'\t' '$8 == "met"' "$TMP/figures" | wc -l)
missed=$(awk -F'\t' '$8 != "met"' "$TMP/figures" | cut -f2 | paste -sd ';' | sed 's/;/; /g')
{
    echo "# Station benchmark results"
    echo
    echo "Written by \`bench/run.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'); machine: $(nproc) cores, $cpu;"
    echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg). Release preset (RelWithDebInfo)."
    echo "Measured at commit $commit."
    echo
    echo "Targets met: $met of $(wc -l <"$TMP/figures"). Not met: ${missed:-none}."
    echo
    echo "| figure | value | baseline (same run) | unit | ratio | target | result |"
    echo "|---|---:|---:|---|---:|---|---|"
    awk -F'\t' '{ printf "| %s | %s | %s | %s | %s | %s | %s |\n", $2, $3, $4, $5, $6, $7, $8 }' "$TMP/figures"
    echo
    echo "Details of each figure (the individual runs, interleaved with their baseline's; medians are reported):"
    echo
    awk -F'\t' '{ printf "- %s: %s\n", $2, $9 }' "$TMP/figures"
    echo
    echo "## Fast-sampling and viewer benchmarks (Google Benchmark)"
    echo
    echo '```'
    grep -hE '^BM_|^Benchmark|^---| / .* = |bytes per reading|WARNING' "$TMP/sampling.txt" "$TMP/viewer.txt"
    echo '```'
    echo
    echo "## Where a polling cycle's time goes"
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

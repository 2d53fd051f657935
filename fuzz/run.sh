#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz") and runs each for SECONDS on a copy of its seed corpus.
# New inputs and any crash stay under build/fuzz-work/<target>/; the committed corpus is never touched.
# Usage: fuzz/run.sh SECONDS [TARGET...]   (env JOBS=N runs N targets at a time, default 1;
# MAX_LEN=N caps the input length; ZELK_FUZZ_AMPLIFY=0 turns off the targets' megabyte amplifier, for
# runs that want many small inputs a second)
set -uo pipefail
cd "$(dirname "$0")/.."

ALL_TARGETS=(fuzz_reply fuzz_history fuzz_viewer_load fuzz_config fuzz_fieldreader fuzz_commandline
    fuzz_minmax fuzz_layout)
seconds=${1:?usage: fuzz/run.sh SECONDS [TARGET...]}
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${ALL_TARGETS[@]}")
jobs=${JOBS:-1}

[ -f build/fuzz/CMakeCache.txt ] || cmake --preset fuzz >/dev/null || exit 1
cmake --build --preset fuzz -j2 --target "${targets[@]}" || exit 1

work=build/fuzz-work
# releasing freed memory to the system stalls in madvise on a loaded machine (time-outs that replay in
# a fraction of a second): the fuzzers keep it
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:allocator_release_to_os_interval_ms=-1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# Runs one target: a fresh copy of its corpus, new findings in the work folder, log in <target>.log.
run_target() {
    local t=$1 dir=$work/$1
    rm -rf "$dir"
    mkdir -p "$dir/corpus" "$dir/artifacts"
    cp fuzz/corpus/"$t"/* "$dir/corpus/" 2>/dev/null
    # Seeds of faults not mended yet (listed in corpus/<target>.open) would stop the run at once.
    if [ -f fuzz/corpus/"$t".open ]; then
        while read -r seed; do [ -n "$seed" ] && rm -f "$dir/corpus/$seed"; done <fuzz/corpus/"$t".open
    fi
    # The longest seed sets the longest input; an input that runs 10 s counts as a hang.
    build/fuzz/fuzz/"$t" "$dir/corpus" -max_total_time="$seconds" -timeout=10 ${MAX_LEN:+-max_len=$MAX_LEN} \
        -artifact_prefix="$dir/artifacts/" -print_final_stats=1 >"$dir/$t.log" 2>&1
    echo $? >"$dir/rc"
}

running=0
for t in "${targets[@]}"; do
    run_target "$t" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n
        running=$((running - 1))
    fi
done
wait

status=0
printf '%-18s %12s %10s %8s  %s\n' target executions exec/s rc findings
for t in "${targets[@]}"; do
    dir=$work/$t
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$dir/$t.log" | grep -o '[0-9]*$' | tail -1)
    speed=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$dir/$t.log" | grep -o '[0-9]*$' | tail -1)
    # A run that stopped on a finding prints no final stats: take its last status line.
    [ -n "$runs" ] || runs=$(grep -o '^#[0-9]*' "$dir/$t.log" | tr -d '#' | tail -1)
    [ -n "$speed" ] || speed=$(grep -o 'exec/s: [0-9]*' "$dir/$t.log" | grep -o '[0-9]*$' | tail -1)
    rc=$(cat "$dir/rc")
    findings=$(find "$dir/artifacts" -type f | wc -l)
    printf '%-18s %12s %10s %8s  %s\n' "$t" "${runs:-?}" "${speed:-?}" "$rc" "$findings"
    [ "$rc" -eq 0 ] && [ "$findings" -eq 0 ] || status=1
done
[ $status -eq 0 ] || echo "findings: see $work/<target>/artifacts and <target>.log"
exit $status

#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: offscreen with the default preset, then
# again under AddressSanitizer and UndefinedBehaviorSanitizer. Ends non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")"

scripts/setup.sh default asan || exit 1

export QT_QPA_PLATFORM=offscreen
# Nothing under test may reach a real device: the default address points at loopback.
export ZELK_DEFAULT_ADDRESS=127.0.0.1:9
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# Runs ctest for one build folder, inside a network namespace with only loopback up when possible.
run_ctest() {
    local dir=$1
    local cmd="ctest --test-dir $dir --output-on-failure -j2 --timeout 600"
    if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
        unshare -n sh -c "ip link set lo up && $cmd"
    else
        sh -c "$cmd"
    fi
}

status=0
echo "== tests (default) =="
run_ctest build/default || status=1
echo "== tests (asan) =="
run_ctest build/asan || status=1
exit $status

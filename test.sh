#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: offscreen with the default preset, then
# again under AddressSanitizer and UndefinedBehaviorSanitizer. Also builds the release preset (warnings
# are errors there too) and checks that every C++ source is formatted as .clang-format says.
# Ends non-zero on any failure.
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

# The C++ sources of the repository: those git tracks, or outside a checkout every one below this folder
# but the build and demo folders.
cxx_sources() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files -z -- '*.cpp' '*.h'
    else
        find . \( -path ./build -o -path ./demo \) -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) -print0 |
            sort -z
    fi
}

status=0
echo "== build (release) =="
scripts/setup.sh release || status=1
echo "== formatting =="
cxx_sources | xargs -0 -r clang-format --dry-run -Werror || status=1
echo "== tests (default) =="
run_ctest build/default || status=1
echo "== tests (asan) =="
run_ctest build/asan || status=1
exit $status

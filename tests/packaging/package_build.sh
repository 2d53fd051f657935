# Sourced by the package tests: the tools they need (a missing one skips the test with exit 77), a
# temporary folder, `fail`, and the Debian package built from $build with $cpack and unpacked into
# $tmp/root ($deb is the package file). Extra tools to require: REQUIRED_TOOLS.
for tool in "$cpack" dpkg-deb ${REQUIRED_TOOLS:-}; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1; then
    cat "$tmp/cpack.log" >&2
    echo "FAIL: cpack -G DEB failed" >&2
    exit 1
fi
shopt -s nullglob
debs=("$tmp"/out/*.deb)
shopt -u nullglob
if [ ${#debs[@]} -ne 1 ]; then
    echo "FAIL: expected one .deb in $tmp/out, found ${#debs[@]}" >&2
    exit 1
fi
deb=${debs[0]}
echo "package: $(basename "$deb")"
dpkg-deb -x "$deb" "$tmp/root"

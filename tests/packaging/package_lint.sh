#!/usr/bin/env bash
# Builds the Debian package from a build tree and lints it as Debian's tools would: lintian on the
# package (no error, no warning), man on each manual page (rendered without a warning) and appstreamcli
# on the metainfo and the desktop entries it names. Usage: package_lint.sh BUILD_DIR [CPACK].
# Exits 77 (skipped) without cpack or dpkg-deb, and after the other checks passed when one of lintian,
# man or appstreamcli is not installed, naming it.
set -euo pipefail

build=${1:?usage: package_lint.sh BUILD_DIR [CPACK]}
cpack=${2:-cpack}

source "$(dirname "$0")/package_build.sh"
skipped=()
# have TOOL WHAT: TOOL is installed; otherwise WHAT is noted as not checked
have() {
    command -v "$1" >/dev/null 2>&1 && return 0
    skipped+=("$1 is not installed: $2 not checked")
    return 1
}


# the lintian overrides that the package ships (share/lintian/overrides) hide what does not apply
if have lintian "the package"; then
    root=()
    [ "$(id -u)" -ne 0 ] || root=(--allow-root)
    lintian "${root[@]}" --fail-on error,warning "$deb" ||
        fail "lintian reports errors or warnings, or could not check the package"
fi

if have man "the manual pages"; then
    for page in "$tmp"/root/usr/share/man/man1/*.1.gz; do
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) ||
            fail "man cannot render $(basename "$page")"
        [ -z "$warnings" ] || fail "man warns about $(basename "$page"): $warnings"
    done
fi

if have appstreamcli "the metainfo"; then
    # validate-tree also checks that each launchable desktop entry is there
    appstreamcli validate-tree --no-net "$tmp/root" || fail "appstreamcli finds fault with the metainfo"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
if [ ${#skipped[@]} -ne 0 ]; then
    printf 'SKIP: %s\n' "${skipped[@]}"
    exit 77
fi
echo "package lint passed"

#!/usr/bin/env bash
# Builds the Debian package from a build tree, unpacks it and checks its files and dependencies, then
# starts the monitor and the viewer from the unpacked usr/bin offscreen under the automation driver.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR VERSION [CPACK]. Exits 77 (skipped) without cpack or dpkg-deb.
set -euo pipefail

build=${1:?usage: package_test.sh BUILD_DIR SOURCE_DIR VERSION [CPACK]}
source=${2:?source folder missing}
version=${3:?version missing}
cpack=${4:-cpack}

REQUIRED_TOOLS=dpkg-parsechangelog
# ---- build and unpack ------------------------------------------------------------------------------
source "$(dirname "$0")/package_build.sh"
usr=$tmp/root/usr

# ---- files -----------------------------------------------------------------------------------------
for program in ZELK-NET-MONITOR Kurvex zelk-devicesim; do
    [ -x "$usr/bin/$program" ] || fail "usr/bin/$program is missing or not executable"
done
if command -v readelf >/dev/null 2>&1; then
    for program in ZELK-NET-MONITOR Kurvex zelk-devicesim; do
        ! readelf -d "$usr/bin/$program" | grep -Eq '\((RPATH|RUNPATH)\)' ||
            fail "usr/bin/$program carries a library search path of its own"
    done
fi
icon=$usr/share/icons/hicolor/scalable/apps/zelk-net-station.svg
grep -q '<svg' "$icon" 2>/dev/null || fail "the scalable icon is missing or not an SVG"

# desktop_entry FILE KEY VALUE: the entry has the line KEY=VALUE
desktop_entry() {
    grep -qxF "$2=$3" "$usr/share/applications/$1" 2>/dev/null || fail "$1 lacks $2=$3"
}
desktop_entry zelk-net-monitor.desktop Exec ZELK-NET-MONITOR
desktop_entry zelk-net-monitor.desktop Icon zelk-net-station
desktop_entry kurvex.desktop Exec "Kurvex %f"
desktop_entry kurvex.desktop Icon zelk-net-station
desktop_entry kurvex.desktop MimeType "application/x-zelk-history;"
if command -v desktop-file-validate >/dev/null 2>&1; then
    desktop-file-validate "$usr"/share/applications/*.desktop || fail "desktop-file-validate complains"
fi
# the MIME type Kurvex declares comes with the package (tst_history_mime checks what it matches)
mime=$usr/share/mime/packages/zelk-history.xml
cmp -s "$source/packaging/zelk-history.xml" "$mime" || fail "share/mime/packages/zelk-history.xml is missing or stale"

doc=$usr/share/doc/zelk-net-station
cmp -s "$source/README.md" "$doc/README.md" || fail "README.md is missing from the documentation"
for page in "$source"/docs/*.md "$source"/docs/*.png; do
    cmp -s "$page" "$doc/docs/$(basename "$page")" || fail "docs/$(basename "$page") is missing or stale"
done
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$doc/copyright" &&
    grep -q '^License: ' "$doc/copyright" || fail "share/doc/zelk-net-station/copyright is missing or not DEP-5"
# the changelog's top entry is the package's version, whose upstream part is the project's
gzip -dc "$doc/changelog.Debian.gz" >"$tmp/changelog" 2>/dev/null || fail "changelog.Debian.gz is missing"
entry=$(dpkg-parsechangelog -l "$tmp/changelog" -S Version 2>/dev/null) || fail "changelog.Debian.gz does not parse"
[ "$entry" = "$(dpkg-deb -f "$deb" Version)" ] || fail "the changelog's top entry ($entry) is not the package's version"

# every option, environment variable and file that a program's --help names is on its manual page
for program in ZELK-NET-MONITOR Kurvex zelk-devicesim; do
    page=$usr/share/man/man1/$program.1.gz
    if ! roff=$(gzip -dc "$page" 2>/dev/null | sed 's/\\-/-/g'); then
        fail "share/man/man1/$program.1.gz is missing"
        continue
    fi
    for word in $("$usr/bin/$program" --help | grep -oE -- '--[a-z][a-z-]*|ZELK_[A-Z_]+|[A-Za-z_]+\.(cfg|txt|log)\b' | sort -u); do
        grep -qF -- "$word" <<<"$roff" || fail "$program.1 does not mention $word"
    done
done

# the metainfo names this release and a screenshot that the documentation holds
for component in monitor kurvex; do
    metainfo=$usr/share/metainfo/invalid.zelk_net.$component.metainfo.xml
    grep -qF "<release version=\"$version\"" "$metainfo" 2>/dev/null || fail "$component's metainfo lacks release $version"
    shot=$(grep -oE '/docs/[a-z0-9-]+\.png</image>' "$metainfo" | sed 's/<.*//') || true
    [ -n "$shot" ] && [ -f "$doc$shot" ] || fail "$component's metainfo names no screenshot of docs/"
done

# ---- control fields --------------------------------------------------------------------------------
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# the package names alone, one a line, without their version conditions
names=$(tr ',' '\n' <<<"$depends" | sed -e 's/(.*)//' -e 's/ //g')
for library in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6printsupport6 libc6 libstdc++6; do
    grep -qxF "$library" <<<"$names" || fail "Depends does not name $library"
done
[ "$(dpkg-deb -f "$deb" Version | sed 's/-[^-]*$//')" = "$version" ] || fail "Version is not $version-REVISION"
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "Maintainer is empty"
[ -n "$(dpkg-deb -f "$deb" Section)" ] || fail "Section is empty"
[ -n "$(dpkg-deb -f "$deb" Description)" ] || fail "Description is empty"
# Debian shows the extended description's lines as they are
dpkg-deb -f "$deb" Description | awk 'NR > 1 && length > 80 { exit 1 }' || fail "a Description line is over 80 characters"

# ---- the unpacked programs start and end cleanly ----------------------------------------------------
# run_unpacked PROGRAM SCRIPT: runs usr/bin/PROGRAM in a fresh working folder, the script on its input
run_unpacked() {
    local work status=0
    work=$(mktemp -d "$tmp/work.XXXXXX")
    (cd "$work" && printf '%b' "$2" |
        env QT_QPA_PLATFORM=offscreen ZELK_AUTOMATION=- ZELK_DEFAULT_ADDRESS=127.0.0.1:9 \
            ASAN_OPTIONS=detect_leaks=0 timeout 120 "$usr/bin/$1" >"$work/out.txt" 2>"$work/err.txt") ||
        status=$?
    local last
    last=$(tail -n 1 "$work/out.txt")
    echo "$1: exit $status, last line $last"
    if [ "$status" -ne 0 ] || ! grep -Eq '^\{"event":"exit",.*"code":0\}$' <<<"$last"; then
        cat "$work/err.txt" >&2
        fail "$1 from the package did not end cleanly"
    fi
}
run_unpacked ZELK-NET-MONITOR 'quit\n'
run_unpacked Kurvex 'dialog cancel\nquit\n'

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "package test passed"

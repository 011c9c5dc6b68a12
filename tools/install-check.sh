#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a Linux desktop expects of it: the files
# where the desktop looks for them, the validators, the command line's --version and the window
# opening under Xvfb. Usage: tools/install-check.sh [BUILD_DIR]   (default: build)
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
ok() { echo "ok    $*"; }
fail() { echo "FAIL  $*"; failures=$((failures + 1)); }

cmake --build "$build" -j"$(nproc)" >/dev/null || { echo "FAIL  the build failed"; exit 1; }
cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL  cmake --install failed"; exit 1; }
app_id=org.quorbex.Quorbex
share=$prefix/share

[ -x "$prefix/bin/quorbex" ] && ok "bin/quorbex" || fail "bin/quorbex is missing"

desktop=$share/applications/$app_id.desktop
if [ -f "$desktop" ]; then
    desktop-file-validate "$desktop" && ok "desktop entry passes desktop-file-validate" ||
        fail "desktop-file-validate: $desktop"
    exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    [ -x "$prefix/bin/$exec_name" ] && ok "Exec=$exec_name is in bin/" || fail "Exec=$exec_name is not in bin/"
    icon=$(sed -n 's/^Icon=//p' "$desktop")
else
    fail "share/applications/$app_id.desktop is missing"
    icon=$app_id
fi

for size in 16 24 32 48 64 128 256; do
    png=$share/icons/hicolor/${size}x${size}/apps/$icon.png
    # A PNG's width and height are the big-endian words at bytes 16 and 20.
    dims=$(od -An -tu1 -j16 -N8 "$png" 2>/dev/null | awk '{print $3*256+$4 "x" $7*256+$8}')
    [ "$dims" = "${size}x${size}" ] && ok "icon ${size}x${size}" || fail "icon $png: ${dims:-missing}"
done

metainfo=$share/metainfo/$app_id.metainfo.xml
if [ -f "$metainfo" ]; then
    appstreamcli validate --no-net "$metainfo" >/dev/null && ok "AppStream metadata passes appstreamcli validate" ||
        fail "appstreamcli validate --no-net $metainfo"
    appstreamcli validate-tree --no-net "$prefix" >/dev/null && ok "the installed tree passes validate-tree" ||
        fail "appstreamcli validate-tree --no-net"
else
    fail "share/metainfo/$app_id.metainfo.xml is missing"
fi

if [ -f "$share/quorbex/Quorbex.chm" ] && [ -f "$share/quorbex/help/index.html" ]; then
    ok "share/quorbex/Quorbex.chm and the HTML pages"
else
    fail "the help is missing from share/quorbex (is chmcmd installed?)"
fi

version=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen timeout 10 "$prefix/bin/quorbex" --version 2>/dev/null)
if [[ $version == "quorbex "* ]]; then
    ok "quorbex --version: $version"
    [ -f "$share/man/man1/quorbex.1" ] && ok "share/man/man1/quorbex.1" || fail "the manual page is missing"
else
    fail "quorbex --version does not answer, so the build made no manual page"
fi

# The window, under a screen of its own, with settings and home kept in the scratch folder.
home=$prefix/home
mkdir -p "$home"
window=$(HOME=$home XDG_CONFIG_HOME=$home/.config timeout 60 xvfb-run -a bash -c '
    "$1" & pid=$!
    for _ in $(seq 300); do # up to 30 s: a busy machine starts it slowly
        xwininfo -root -tree 2>/dev/null | grep -q "\"Quorbex (Daily Data)\"" && { echo shown; break; }
        kill -0 $pid 2>/dev/null || break
        sleep 0.1
    done
    kill $pid 2>/dev/null; wait $pid 2>/dev/null' _ "$prefix/bin/quorbex" 2>/dev/null)
[ "$window" = shown ] && ok "the installed program shows its window under Xvfb" || fail "no window under Xvfb"

# The Debian package: the same files, with dependencies found by dpkg-shlibdeps.
if cpack -G DEB -B "$prefix/package" --config "$build/CPackConfig.cmake" >/dev/null 2>&1; then
    deb=$(ls "$prefix"/package/quorbex_*.deb)
    depends=$(dpkg-deb --field "$deb" Depends)
    [[ $depends == *libqt6widgets6* ]] && ok "$(basename "$deb"), Depends: $depends" ||
        fail "the package's dependencies lack Qt: $depends"
    contents=$(dpkg-deb -c "$deb")
    grep -q " ./usr/share/applications/$app_id.desktop$" <<<"$contents" && ok "the package holds the desktop entry" ||
        fail "the package lacks the desktop entry"
else
    fail "cpack -G DEB failed"
fi

echo
((failures == 0)) && echo "The install is complete." || echo "$failures check(s) failed."
exit $((failures > 0))

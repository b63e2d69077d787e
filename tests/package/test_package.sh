#!/usr/bin/env bash
# Builds the Debian packages from a build folder with CPack, checks what they hold, their
# control fields, the desktop entry and the software-centre page (with the two
# validators), then unpacks them into a temporary folder and starts the program from
# there in its own X server until its splash window shows.
#
#   tests/package/test_package.sh BUILD-FOLDER [CPACK]
set -euo pipefail
build=$(realpath "$1")
cpack=${2:-cpack}
work=$(mktemp -d)
xvfb=0 program=0
cleanup() {
    for process in "$program" "$xvfb"; do
        if [ "$process" -gt 0 ]; then kill "$process" 2>/dev/null || true; fi
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && "$cpack" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log" >&2; fail "cpack could not build the packages"; }
main=$(ls "$work"/out/kesterly_*.deb)
web=$(ls "$work"/out/kesterly-web_*.deb 2>/dev/null || true)
[ -f "$main" ] || fail "no kesterly_*.deb"

# --- what the program's package holds ----------------------------------------------
id=example.velquist.kesterly
dpkg-deb -c "$main" | awk '{ print $6 }' | sed 's|^\./||' >"$work/files"
expected=(usr/bin/kesterly "usr/share/applications/$id.desktop"
          "usr/share/metainfo/$id.metainfo.xml" "usr/share/icons/hicolor/scalable/apps/$id.svg")
for size in 16 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
done
for file in "${expected[@]}"; do
    grep -qx "$file" "$work/files" || fail "the package lacks $file"
done
# Nothing but the program and its desktop files: no build leftovers, no plugin.
unexpected=$(grep -v -E '/$' "$work/files" | grep -v -x -F -f <(printf '%s\n' "${expected[@]}") || true)
[ -z "$unexpected" ] || fail "the package holds more than it should: $unexpected"

field() { dpkg-deb -f "$1" "$2"; }
[ "$(field "$main" Package)" = kesterly ] || fail "the package is not named kesterly"
depends=$(field "$main" Depends)
for library in libqt6widgets6 libqt6gui6 libqt6core6 libc6; do
    [[ $depends == *"$library "* ]] || fail "Depends lacks $library: $depends"
done
[[ $depends != *webengine* ]] || fail "the program itself depends on the web engine: $depends"
[ "$(field "$main" Recommends)" = kesterly-web ] || fail "kesterly does not recommend kesterly-web"
for name in Maintainer Section Description Version; do
    [ -n "$(field "$main" "$name")" ] || fail "the control field $name is empty"
done

# --- the web-view plugin's package, when the build has the plugin --------------------
if [ -n "$web" ]; then
    dpkg-deb -c "$web" | grep -q '/kesterly/kesterly_webengine.so$' || fail "kesterly-web lacks the plugin"
    web_depends=$(field "$web" Depends)
    [[ $web_depends == *libqt6webenginewidgets6* ]] || fail "kesterly-web does not depend on the engine"
    [[ $web_depends == *"kesterly (= $(field "$main" Version))"* ]] ||
        fail "kesterly-web does not depend on its own kesterly: $web_depends"
fi

# --- the desktop entry and the software-centre page ---------------------------------
root=$work/root
dpkg-deb -x "$main" "$root"
[ -z "$web" ] || dpkg-deb -x "$web" "$root"
said=$(desktop-file-validate "$root/usr/share/applications/$id.desktop" 2>&1) ||
    fail "desktop-file-validate: $said"
[ -z "$said" ] || fail "desktop-file-validate warns: $said"
said=$(appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/$id.metainfo.xml" 2>&1) ||
    fail "appstreamcli validate: $said"
if grep -E '^[EWP]:' <<<"$said"; then fail "appstreamcli validate warns: $said"; fi
command=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/$id.desktop")
[ "$command" = kesterly ] || fail "the desktop entry runs '$command', not the packaged program"

# --- the unpacked program starts ------------------------------------------------------
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do grep -q . "$work/display" 2>/dev/null && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$work/display")
mkdir "$work/home"
unset QT_QPA_PLATFORM
(cd "$work/home" && HOME=$work/home exec "$root/usr/bin/$command") >"$work/program.log" 2>&1 &
program=$!
for _ in $(seq 300); do
    if xdotool search --onlyvisible --name '^Kesterly$' >/dev/null 2>&1; then
        echo "PASS: the packages build, hold what they should, validate, and the program starts"
        exit 0
    fi
    if ! kill -0 "$program" 2>/dev/null; then
        code=0
        wait "$program" || code=$?
        program=0
        cat "$work/program.log" >&2
        fail "the program ended with $code before its splash window showed"
    fi
    sleep 0.1
done
cat "$work/program.log" >&2
fail "the splash window did not show within 30 s"

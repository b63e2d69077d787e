#!/usr/bin/env bash
# Builds the Debian packages from a build folder with CPack, checks what they hold, their
# control fields, the binaries (stripped, hardened), the desktop entry and the
# software-centre page (with the two validators) and runs lintian on both packages,
# failing on any error or warning; then unpacks them into a temporary folder and starts
# the program from there in its own X server until its splash window shows, and (with
# the web package) until it has loaded its plugin from there for the help page. Run as root
# (or with sudo that asks no password), it also installs both packages with apt-get and
# checks that `apt-get remove kesterly` leaves nothing of either, not even an "rc" entry.
#
# Given the source folder too (and a build without sanitizers), it builds the packages
# again as the README's package commands do, without tests or benchmarks, and checks that
# they hold the same files with the same control fields.
#
#   tests/package/test_package.sh BUILD-FOLDER [CPACK] [SOURCE-FOLDER]
set -euo pipefail
build=$(realpath "$1")
cpack=${2:-cpack}
source=${3:-}
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
          "usr/share/metainfo/$id.metainfo.xml" "usr/share/icons/hicolor/scalable/apps/$id.svg"
          usr/share/man/man1/kesterly.1.gz usr/share/doc/kesterly/copyright
          usr/share/doc/kesterly/changelog.Debian.gz usr/share/lintian/overrides/kesterly)
for size in 16 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
done
triplet=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
# The chart window's plugin, beside the web-view plugin's folder; the program loads it
# when the chart first opens.
charts=
if [ -e "$build/kesterly_charts.so" ]; then
    charts=usr/lib/$triplet/kesterly/kesterly_charts.so
    expected+=("$charts")
fi
for file in "${expected[@]}"; do
    grep -qx "$file" "$work/files" || fail "the package lacks $file"
done
# Nothing but the program, its chart plugin and its desktop files: no build leftovers, not
# the web-view plugin.
unexpected=$(grep -v -E '/$' "$work/files" | grep -v -x -F -f <(printf '%s\n' "${expected[@]}") || true)
[ -z "$unexpected" ] || fail "the package holds more than it should: $unexpected"

field() { dpkg-deb -f "$1" "$2"; }
[ "$(field "$main" Package)" = kesterly ] || fail "the package is not named kesterly"
depends=$(field "$main" Depends)
for library in libqt6widgets6 libqt6gui6 libqt6core6 libc6; do
    [[ $depends == *"$library "* ]] || fail "Depends lacks $library: $depends"
done
[[ $depends != *webengine* ]] || fail "the program itself depends on the web engine: $depends"
[ -z "$charts" ] || [[ $depends == *libqt6charts6* ]] || fail "Depends lacks libqt6charts6: $depends"
# The fonts the windows are laid out for.
[[ $depends == *"fonts-liberation"* ]] || fail "Depends lacks fonts-liberation: $depends"
recommends=$(field "$main" Recommends)
[ "$recommends" = "kesterly-web, qt6-wayland" ] ||
    fail "kesterly does not recommend kesterly-web and qt6-wayland: $recommends"
for name in Maintainer Section Description Version; do
    [ -n "$(field "$main" "$name")" ] || fail "the control field $name is empty"
done

# --- the web-view plugin's package, when the build has the plugin --------------------
if [ -n "$web" ]; then
    # In the multiarch library folder, where no library search looks: CPack adds ldconfig
    # scripts for a library directly under usr/lib, and a package with scripts stays
    # behind in state "rc" when it is removed.
    dpkg-deb -c "$web" | grep "\./usr/lib/$triplet/kesterly/kesterly_webengine.so$" >/dev/null ||
        fail "kesterly-web lacks usr/lib/$triplet/kesterly/kesterly_webengine.so"
    web_depends=$(field "$web" Depends)
    [[ $web_depends == *libqt6webenginewidgets6* ]] || fail "kesterly-web does not depend on the engine"
    [[ $web_depends == *"kesterly (= $(field "$main" Version))"* ]] ||
        fail "kesterly-web does not depend on its own kesterly: $web_depends"
    # Each package says in its synopsis what it is.
    synopsis() { field "$1" Description | head -n1; }
    [ "$(synopsis "$web")" != "$(synopsis "$main")" ] ||
        fail "kesterly-web has kesterly's synopsis: $(synopsis "$web")"
fi

# No maintainer scripts or triggers in either package: nothing is left to run at removal.
for package in "$main" $web; do
    mkdir -p "$work/control"
    dpkg-deb -e "$package" "$work/control"
    scripts=$(ls "$work/control" | grep -v -x -E 'control|md5sums' || true)
    [ -z "$scripts" ] || fail "$(basename "$package") has maintainer files: $scripts"
    rm -rf "$work/control"
done

# --- the desktop entry and the software-centre page ---------------------------------
root=$work/root
dpkg-deb -x "$main" "$root"
[ -z "$web" ] || dpkg-deb -x "$web" "$root"

# --- the binaries: stripped and hardened as Debian builds its own -------------------
# (grep reads readelf's output to its end: "grep -q" would stop it with SIGPIPE, which
# pipefail counts as a failure.)
binaries=("$root/usr/bin/kesterly")
[ -z "$charts" ] || binaries+=("$root/$charts")
[ -z "$web" ] || binaries+=("$root/usr/lib/$triplet/kesterly/kesterly_webengine.so")
for binary in "${binaries[@]}"; do
    name=${binary#"$root"/}
    kind=$(file -b "$binary")
    [[ $kind == *", stripped"* ]] || fail "$name is not stripped: $kind"
    ! readelf -S "$binary" | grep -E '\.(debug_|symtab|comment)' >/dev/null ||
        fail "$name keeps debugging sections or a symbol table"
    readelf -l "$binary" | grep GNU_RELRO >/dev/null || fail "$name is not linked with -z relro"
    readelf -d "$binary" | grep -E 'BIND_NOW|FLAGS.*\bNOW\b' >/dev/null ||
        fail "$name is not linked with -z now"
    readelf --dyn-syms -W "$binary" | grep __stack_chk_fail >/dev/null ||
        fail "$name is not built with -fstack-protector-strong"
done
if ! grep -q '^KESTERLY_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; then
    # The sanitizers check the string and memory calls themselves, without _FORTIFY_SOURCE.
    readelf --dyn-syms -W "${binaries[0]}" | grep -E '__[a-z]+_chk@' >/dev/null ||
        fail "usr/bin/kesterly is not built with -D_FORTIFY_SOURCE=2"
fi

# --- lintian, Debian's package checker: no error and no warning ---------------------
# Information tags are shown too; those that stay are listed in docs/packaging.md. Of the
# hardening tags only hardening-no-fortify-functions may stay: lintian gives it when every
# call it knows is plain (read, pread), as when each was checked at compile time or reads
# into a buffer whose size the compiler cannot know; the check above finds the fortified
# calls there are.
lintian_said=$(lintian --display-info --tag-display-limit 0 "$main" $web 2>&1 |
               grep -v -x 'running with root privileges is not recommended!') || true
[ -z "$lintian_said" ] || echo "$lintian_said"
if grep -E '^[EW]: ' <<<"$lintian_said" >/dev/null; then
    fail "lintian reports errors or warnings (above)"
fi
if grep -E '^[IEWX]: .*(hardening-no-(relro|bindnow|pie)|spelling-error|unstripped|ldconfig)' \
        <<<"$lintian_said" >/dev/null; then
    fail "lintian finds the binaries unhardened, unstripped or misspelt (above)"
fi
said=$(desktop-file-validate "$root/usr/share/applications/$id.desktop" 2>&1) ||
    fail "desktop-file-validate: $said"
[ -z "$said" ] || fail "desktop-file-validate warns: $said"
said=$(appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/$id.metainfo.xml" 2>&1) ||
    fail "appstreamcli validate: $said"
if grep -E '^[EWP]:' <<<"$said"; then fail "appstreamcli validate warns: $said"; fi
command=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/$id.desktop")
[ "$command" = kesterly ] || fail "the desktop entry runs '$command', not the packaged program"

# --- installed with apt-get, then removed as docs/packaging.md says: nothing stays ---
can_install=1
if [ "$(id -u)" -eq 0 ]; then
    sudo=()
elif sudo -n true 2>/dev/null; then
    sudo=(sudo -n)
else
    can_install=0
fi
# Each package's state ("ii", "rc", ...), less those dpkg knows only as not installed.
states() {
    dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' kesterly kesterly-web 2>/dev/null |
        grep -v -E '^[up]n' || true
}
if ((!can_install)); then
    echo "NOTE: not root and no sudo without a password: installing and removing not checked"
elif grep -q '^.[iHUFWt]' <<<"$(states)"; then
    echo "NOTE: Kesterly is installed on this machine: installing and removing not checked"
else
    apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -y -q
         -o DPkg::Lock::Timeout=300 --no-install-recommends)
    # Whatever happens, the machine is left as it was.
    purge() { "${apt[@]}" purge kesterly kesterly-web >/dev/null 2>&1 || true; }
    trap 'purge; cleanup' EXIT
    "${apt[@]}" install "$main" $web >"$work/apt.log" 2>&1 ||
        { cat "$work/apt.log" >&2; fail "apt-get could not install the packages"; }
    installed=$(states)
    for package in kesterly ${web:+kesterly-web}; do
        grep -q "^ii  *$package\$" <<<"$installed" || fail "$package is not installed: $installed"
    done
    "${apt[@]}" remove kesterly >"$work/apt.log" 2>&1 ||
        { cat "$work/apt.log" >&2; fail "apt-get remove kesterly failed"; }
    left=$(states)
    [ -z "$left" ] || fail "apt-get remove kesterly leaves: $left"
    [ ! -e /usr/bin/kesterly ] || fail "apt-get remove kesterly leaves /usr/bin/kesterly"
    [ ! -e "/usr/lib/$triplet/kesterly" ] || fail "apt-get remove kesterly leaves usr/lib/$triplet/kesterly"
fi

# --- the unpacked program starts ------------------------------------------------------
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do grep -q . "$work/display" 2>/dev/null && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$work/display")
mkdir "$work/home"
unset QT_QPA_PLATFORM
(cd "$work/home" && HOME=$work/home exec "$root/usr/bin/$command") >"$work/program.log" 2>&1 &
program=$!
# Waits up to 30 s for a command to succeed, failing as the program ends.
await() {
    local what=$1 end=$((SECONDS + 30))
    shift
    while ((SECONDS < end)); do
        if "$@"; then return 0; fi
        if ! kill -0 "$program" 2>/dev/null; then
            code=0
            wait "$program" || code=$?
            program=0
            cat "$work/program.log" >&2
            fail "the program ended with $code before $what"
        fi
        sleep 0.1
    done
    cat "$work/program.log" >&2
    fail "$what did not happen within 30 s"
}
visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 | grep .; }
await "its splash window showed" visible '^Kesterly$' >/dev/null
if [ -n "$web" ]; then
    # The help page (F5) from the main window: the program finds its plugin where the
    # package put it, in the multiarch library folder beside its own bin folder.
    main_window() {
        local window
        for window in $(xdotool search --onlyvisible --name '^Kesterly' 2>/dev/null); do
            [[ $(xdotool getwindowgeometry "$window" 2>/dev/null) =~ Geometry:\ ([0-9]+)x ]] &&
                ((BASH_REMATCH[1] >= 1000)) && { echo "$window"; return 0; }
        done
        return 1
    }
    # A key is pressed again while it has not worked: there is no window manager, and a
    # window just shown may not take the focus yet.
    press() {
        local window
        window=$($2) && xdotool windowfocus --sync "$window" key "$1" >/dev/null 2>&1
        sleep 0.5
    }
    opened() { main_window >/dev/null || { press Return "visible ^Kesterly$"; main_window >/dev/null; }; }
    await "the main window showed" opened
    plugin=/usr/lib/$triplet/kesterly/kesterly_webengine.so
    loaded() { grep -F "$root$plugin" "/proc/$program/maps" >/dev/null; }
    helped() { loaded || { press F5 main_window; loaded; }; }
    await "the web-view plugin was loaded from $plugin" helped
fi
# --- the README's package build: no tests, no benchmarks, the same packages ----------
if [ -n "$source" ] && ! grep -q '^KESTERLY_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; then
    type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
    lean=$work/lean
    cmake -S "$source" -B "$lean" -G Ninja -DBUILD_TESTING=OFF ${type:+-DCMAKE_BUILD_TYPE=$type} \
        >"$work/lean.log" 2>&1 || { cat "$work/lean.log" >&2; fail "the package build did not configure"; }
    # Nothing of the tests or benchmarks is even a step of it.
    ! ninja -C "$lean" -t targets all | grep -E '^(tests|bench)/' >/dev/null ||
        fail "the package build builds tests or benchmarks"
    cmake --build "$lean" >>"$work/lean.log" 2>&1 ||
        { tail -n 30 "$work/lean.log" >&2; fail "the package build did not build"; }
    (cd "$lean" && "$cpack" -G DEB -B "$work/lean-out" >>"$work/lean.log" 2>&1) ||
        { tail -n 30 "$work/lean.log" >&2; fail "cpack could not build the package build's packages"; }
    for package in "$main" $web; do
        name=$(basename "$package")
        again=$work/lean-out/$name
        [ -f "$again" ] || fail "the package build made no $name"
        [ "$(dpkg-deb -c "$again" | awk '{ print $6 }' | sort)" = \
          "$(dpkg-deb -c "$package" | awk '{ print $6 }' | sort)" ] ||
            fail "the package build's $name holds other files"
        for name_of_field in Package Version Architecture Depends Recommends Section Description; do
            [ "$(field "$again" "$name_of_field")" = "$(field "$package" "$name_of_field")" ] ||
                fail "the package build's $name has another $name_of_field"
        done
    done
fi

echo "PASS: the packages build, hold what they should, validate, install and remove cleanly," \
     "and the program starts${web:+ and loads its web-view plugin}"

#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses the installed copy as a
# new user would: read-only install folders, a fresh home, no MARNELO_HOME.
# Then checks that a portable copy (executable folder with its language
# files, or MARNELO_HOME) still keeps everything in its own folder.
# usage: install_test.sh BUILD_DIR SESSION.json
set -euo pipefail
build=$1
session=$2
work=$(mktemp -d)
# The programs this test started, found by where their executable lies.
own_processes() {
    local exe
    for exe in /proc/[0-9]*/exe; do
        [[ "$(readlink "$exe" 2>/dev/null)" == "$work"/* ]] && echo "${exe%/exe}"
    done
    return 0
}
cleanup() {
    local p
    for p in $(own_processes); do
        kill "${p#/proc/}" 2>/dev/null || true
    done
    chmod -R u+w "$work"
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/marnelo bin/marnelo-cli share/marnelo/English1252.ini share/marnelo/Chinese936.ini \
         share/applications/com.lobrin.Marnelo.desktop share/metainfo/com.lobrin.Marnelo.metainfo.xml \
         share/icons/hicolor/scalable/apps/com.lobrin.Marnelo.svg share/man/man1/marnelo-cli.1 share/man/man1/marnelo.1; do
    [ -e "$prefix/$f" ] || fail "not installed: $f"
done
chmod -R a-w "$prefix"

# A user who never ran Marnelo: nothing but a home folder.
home=$work/home
mkdir -p "$home"
installed_env=(env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen
    MARNELO_NO_SPLASH=1)
run_installed() {
    "${installed_env[@]}" "$@"
}

# Read whole: grep -q stops reading at the match, and the usage text is
# longer than one write, so the program would die of a broken pipe.
usage=$(run_installed "$prefix/bin/marnelo-cli" --help) || fail "marnelo-cli --help"
grep -q "marnelo-cli calibrate" <<<"$usage" || fail "marnelo-cli --help"
run_installed "$prefix/bin/marnelo" --version | grep -q "^marnelo [0-9]" || fail "marnelo --version"

out=$(run_installed "$prefix/bin/marnelo-cli" calibrate "$session" ruler 1 mm) ||
    fail "calibrate: $out"
userdata=$home/.local/share/LOBRIN/Marnelo
grep -q 'name="ruler"' "$userdata/data.xml" || fail "data.xml not in $userdata"
[ -z "$(find "$prefix" -name data.xml)" ] || fail "data.xml in the install"
# The stored calibration is found again by name.
echo '{"calibration": {"name": "ruler"}}' >"$work/by-name.json"
run_installed "$prefix/bin/marnelo-cli" measure "$work/by-name.json" | grep -q '"unit": "mm"' ||
    fail "stored calibration not found"

# The window program starts, reads its language files from share/marnelo and
# prepares its save folder among the user's pictures.
# exec: $! is then the program itself, not a shell waiting for it, so the
# kill below ends the program.
(exec "${installed_env[@]}" "$prefix/bin/marnelo" >"$work/gui.out" 2>&1) &
gui=$!
for _ in $(seq 1 100); do
    [ -d "$home/Pictures/Marnelo/SaveFile/Video" ] && break
    sleep 0.1
done
sleep 0.5
kill "$gui" 2>/dev/null || fail "marnelo stopped: $(cat "$work/gui.out")"
wait "$gui" 2>/dev/null || true
[ -d "$home/Pictures/Marnelo/SaveFile/Video" ] || fail "no save folder: $(cat "$work/gui.out")"
! grep -q "cannot be written" "$work/gui.out" || fail "$(cat "$work/gui.out")"

# Validators, when this machine has them.
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix/share/applications/com.lobrin.Marnelo.desktop"
else
    echo "desktop-file-validate missing: desktop entry not validated"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net --pedantic \
        "$prefix/share/metainfo/com.lobrin.Marnelo.metainfo.xml" >"$work/as.out" ||
        fail "appstreamcli: $(cat "$work/as.out")"
else
    echo "appstreamcli missing: AppStream metadata not validated"
fi

# Portable: a copy of the executable beside its language files keeps the
# calibrations in its own folder, and so does MARNELO_HOME.
portable=$work/portable
mkdir -p "$portable"
cp "$build/bin/marnelo-cli" "$build/bin/English1252.ini" "$portable/"
run_installed "$portable/marnelo-cli" calibrate "$session" ruler 1 mm >/dev/null
[ -f "$portable/data.xml" ] || fail "portable copy: data.xml not beside the executable"
env -i PATH=/usr/bin:/bin HOME="$home" MARNELO_HOME="$work/elsewhere" \
    "$portable/marnelo-cli" calibrate "$session" other 1 mm >/dev/null
[ -f "$work/elsewhere/data.xml" ] || fail "MARNELO_HOME: data.xml missing"
! grep -q other "$portable/data.xml" || fail "MARNELO_HOME ignored"
left=$(own_processes)
[ -z "$left" ] || fail "still running: $(for p in $left; do tr '\0' ' ' <"$p/cmdline"; echo; done)"
echo "install test passed"

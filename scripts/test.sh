#!/usr/bin/env bash
# `make test`: builds the native core tests and the Windows build, runs the native tests, makes the downloads
# (make dist), runs the same tests under Wine and the black-box scenarios against Kestrel.exe and the
# installer, and ends with one line "N passed, N failed".
# Any failure, crash, hang or build error makes the exit status non-zero.
#
# KESTREL_BUILD_NATIVE / KESTREL_BUILD_WIN32 choose other build folders (defaults build/native, build/win32);
# KESTREL_WINEPREFIX / KESTREL_RIG_DIR choose another Wine rig (see wine_rig.sh).
# KESTREL_TEST_TIMEOUT bounds each test binary, in seconds (default 600).
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# shellcheck source=scripts/lib.sh
. "$root/scripts/lib.sh"

bash scripts/setup.sh || exit 1

native=$(kestrel_build_dir native)
win32=$(kestrel_build_dir win32)
logs=$win32/test-logs
per_binary_timeout=${KESTREL_TEST_TIMEOUT:-600}
started_at=$(date +%s)

total_passed=0
total_failed=0
total_skipped=0

finish() {
    local elapsed=$(($(date +%s) - started_at))
    [ "$total_skipped" -gt 0 ] && echo "($total_skipped skipped)"
    echo "test: finished in ${elapsed}s"
    echo "$total_passed passed, $total_failed failed"
    [ "$total_failed" -eq 0 ]
    exit $?
}

# build PRESET DIR: configure when needed, then build everything with two jobs.
build() {
    local preset=$1 dir=$2 log
    mkdir -p "$dir"
    log=$dir/build.log
    echo "== building $preset in ${dir#"$root"/}"
    if ! { cmake --preset "$preset" -B "$dir" && cmake --build "$dir" --parallel 2 -- -k 0; } >"$log" 2>&1; then
        cat "$log"
        echo "test: the $preset build failed" >&2
        total_failed=$((total_failed + 1))
        return 1
    fi
}

# Prints what a reader needs from a GoogleTest log: every failed or unfinished test with its output,
# and the lines outside any test (start-up errors, sanitizer reports after the last test).
show_failures() {
    awk '
        /^\[ RUN      \]/ { inside = 1; buf = $0 "\n"; next }
        inside && /^\[       OK \]/ { inside = 0; buf = ""; next }
        inside && /^\[  SKIPPED \]/ { inside = 0; buf = ""; next }
        inside && /^\[  FAILED  \]/ { inside = 0; printf "%s%s\n", buf, $0; buf = ""; next }
        inside { buf = buf $0 "\n"; next }
        /^\[==========\]|^\[----------\]|^\[  PASSED  \]|^\[  FAILED  \]|^\[  SKIPPED \]|^Running main|^Note: / { next }
        /^ *[0-9]+ FAILED TESTS?$|^$/ { next }
        { print }
        END { if (inside) printf "%s<<< the test did not finish: the program crashed or was killed >>>\n", buf }
    ' "$1"
}

# run_suite LABEL LOG COMMAND...: runs one GoogleTest binary and adds its results to the totals.
# Counts come from the per-test lines, so a crash in the middle still counts what ran before it,
# and the test that was running when the binary died counts as failed.
run_suite() {
    local label=$1 log=$2 rc passed failed skipped started unfinished t0
    shift 2
    echo "== $label"
    t0=$(date +%s)
    timeout --kill-after=10 "$per_binary_timeout" "$@" --gtest_color=no >"$log.raw" 2>&1
    rc=$?
    tr -d '\r' <"$log.raw" >"$log"
    rm -f "$log.raw"
    started=$(grep -c '^\[ RUN      \]' "$log")
    passed=$(grep -c '^\[       OK \]' "$log")
    failed=$(grep -cE '^\[  FAILED  \] .* \([0-9]+ ms\)$' "$log")
    skipped=$(grep -cE '^\[  SKIPPED \] .* \([0-9]+ ms\)$' "$log")
    unfinished=$((started - passed - failed - skipped))
    [ "$unfinished" -lt 0 ] && unfinished=0
    failed=$((failed + unfinished))
    if [ "$rc" -ne 0 ] || [ "$failed" -gt 0 ]; then
        show_failures "$log"
        if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
            echo "!! $label: stopped after ${per_binary_timeout}s"
        elif [ "$rc" -ne 0 ] && [ "$failed" -eq 0 ]; then
            echo "!! $label: exited with status $rc although no test failed (crash at start or exit?)"
        fi
        [ "$failed" -eq 0 ] && failed=1
        echo "   full log: ${log#"$root"/}"
    fi
    total_passed=$((total_passed + passed))
    total_failed=$((total_failed + failed))
    total_skipped=$((total_skipped + skipped))
    echo "   $passed passed, $failed failed$([ "$skipped" -gt 0 ] && echo ", $skipped skipped") ($(($(date +%s) - t0))s)"
}

build native "$native"
native_built=$?
build win32 "$win32"
win32_built=$?
mkdir -p "$logs"

if [ "$native_built" -eq 0 ]; then
    run_suite "native unit tests (AddressSanitizer, UBSan)" "$logs/native.log" "$native/kestrel_tests"
fi

if [ "$win32_built" -ne 0 ]; then
    finish
fi

# Kestrel is one small download: the executable must stay under 512 KiB, each helper library under 64 KiB.
check_size() {
    local file=$1 limit=$2 size
    size=$(stat -c %s "$win32/$file" 2>/dev/null || echo 0)
    if [ "$size" -gt 0 ] && [ "$size" -lt "$limit" ]; then
        echo "== $file is $size bytes (under $((limit / 1024)) KiB)"
        total_passed=$((total_passed + 1))
    else
        echo "!! $file is $size bytes: it must exist and stay under $((limit / 1024)) KiB ($limit bytes)"
        total_failed=$((total_failed + 1))
    fi
}
check_size Kestrel.exe 524288
check_size Update.dll 65536
check_size SendComment.dll 65536

# The downloads, made once: the installer's round trip below runs the setup made here.
echo "== make dist"
if bash scripts/dist.sh >"$logs/dist.log" 2>&1; then
    sed -n 's/^   /   /p' "$logs/dist.log"
    total_passed=$((total_passed + 1))
    KESTREL_SETUP=$(ls "$root"/build/dist/Kestrel-*-setup.exe)
    export KESTREL_SETUP
else
    cat "$logs/dist.log"
    echo "!! make dist failed"
    total_failed=$((total_failed + 1))
fi

# Only Known DLLs in the import table: anything else would be looked for beside the program first.
echo "== Kestrel.exe's import table"
if bash scripts/check_imports.sh "$win32/Kestrel.exe" | sed 's/^/   /'; then
    total_passed=$((total_passed + 1))
else
    echo "!! Kestrel.exe imports a DLL that is not a Known DLL"
    total_failed=$((total_failed + 1))
fi

# A folder Kestrel cannot write, as under Program Files, for the scenario that needs one. Wine runs as
# root here and root writes anywhere, so it is a read-only bind mount of a writable twin through which
# the scenario puts the program in place. Undone by the trap, however the run ends.
readonly_view=$win32/e2e-readonly/view
readonly_twin=$win32/e2e-readonly/twin
readonly_mounted=
cleanup() {
    bash "$root/scripts/wine_rig.sh" stop
    bash "$root/scripts/tls_servers.sh" stop
    if [ -n "$readonly_mounted" ]; then
        umount "$readonly_view" || echo "test: could not unmount $readonly_view" >&2
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM
echo "== starting the Wine rig"
if ! bash scripts/wine_rig.sh start; then
    echo "test: the Wine rig did not start" >&2
    total_failed=$((total_failed + 1))
    finish
fi

run_suite "unit tests under Wine" "$logs/wine.log" bash scripts/wine_rig.sh run wine "$win32/kestrel_tests.exe"

if [ -f "$win32/kestrel_e2e.exe" ]; then
    export KESTREL_EXE=$win32/Kestrel.exe
    mkdir -p "$readonly_view" "$readonly_twin"
    # A mount left by a run that was killed outright.
    mountpoint -q "$readonly_view" && umount "$readonly_view"
    if mount --bind "$readonly_twin" "$readonly_view" 2>/dev/null; then
        readonly_mounted=1
        if mount -o remount,ro,bind "$readonly_view"; then
            export KESTREL_READONLY_FOLDER=$readonly_view KESTREL_READONLY_TWIN=$readonly_twin
        fi
    fi
    [ -n "${KESTREL_READONLY_FOLDER:-}" ] ||
        echo "   (no read-only folder: a bind mount needs root; the scenario that needs one fails)"
    # The helper libraries' scenarios talk to loopback HTTPS servers.
    export KESTREL_TLS_DIR=${KESTREL_TLS_DIR:-$root/build/tls}
    if ! bash scripts/tls_servers.sh start; then
        echo "!! the loopback HTTPS servers did not start"
        total_failed=$((total_failed + 1))
    fi
    run_suite "black-box scenarios under Wine" "$logs/e2e.log" \
        bash scripts/wine_rig.sh run wine "$win32/kestrel_e2e.exe"
    if [ -n "$readonly_mounted" ] && umount "$readonly_view"; then
        readonly_mounted=
    fi

    # Pictures of the five tabs at 96 and 144 dpi, for a person to look at; they are no test of their own.
    bash scripts/wine_rig.sh stop
    echo "== screenshots of the five tabs"
    if bash scripts/screenshots.sh --artefacts-only >"$logs/screenshots.log" 2>&1; then
        echo "   build/artefacts/tab1..5.png and tab1..5-144dpi.png"
    else
        echo "   (no screenshots: see ${logs#"$root"/}/screenshots.log)"
    fi
fi

finish

#!/usr/bin/env bash
# `make run`: builds Kestrel.exe and the two helper DLLs (nothing else: no tests) and runs Kestrel under
# Wine until Ctrl+C or the tray menu's Exit.
# With $DISPLAY set, Wine's desktop opens on that display. Without one, a virtual display is started, its
# number is printed with a way to look at it, and a screenshot is saved to build/screenshot.png once the
# main window is up. KESTREL_DPI=144 shows Kestrel at 144 dpi (default 96).
# The run has a Wine prefix and rig of its own (build/wine-run, build/rig-run), so that `make test`,
# `make bench` and the screenshots, which use the default rig, never end or re-scale it.
# It ends only the Kestrel it started: a program started meanwhile in its prefix (an installer, say) runs
# on, and the rig stays up until that ends too, or until a second Ctrl+C.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. "$root/scripts/lib.sh"

bash scripts/setup.sh
export KESTREL_WINEPREFIX=${KESTREL_WINEPREFIX:-$root/build/wine-run}
export KESTREL_RIG_DIR=${KESTREL_RIG_DIR:-$root/build/rig-run}
win32=$(kestrel_build_dir win32)
echo "== building Kestrel.exe in ${win32#"$root"/}"
cmake --preset win32 -B "$win32" >/dev/null
cmake --build "$win32" --parallel 2 --target Kestrel update_dll sendcomment_dll

if [ -n "${DISPLAY:-}" ]; then
    export KESTREL_USE_DISPLAY=$DISPLAY
fi
kestrel_pid=
stop() {
    trap - EXIT INT TERM
    echo
    echo "== stopping"
    if [ -n "$kestrel_pid" ]; then
        kill "$kestrel_pid" 2>/dev/null || true
        wait "$kestrel_pid" 2>/dev/null || true
    fi
    # The rig's server and display go only when nothing else runs on them.
    local others force=
    trap 'force=1' INT TERM
    while [ -z "$force" ] && others=$(bash "$root/scripts/wine_rig.sh" programs) && [ -n "$others" ]; do
        echo "== still running in ${KESTREL_WINEPREFIX#"$root"/}: $(echo "$others" | cut -d' ' -f2- | paste -sd ' ')"
        echo "   the Wine rig stays up until they end (Ctrl+C ends them now)"
        while [ -z "$force" ] && [ -n "$(bash "$root/scripts/wine_rig.sh" programs)" ]; do
            sleep 1
        done
    done
    trap - INT TERM
    bash "$root/scripts/wine_rig.sh" stop
}
trap stop EXIT
trap 'exit 130' INT TERM

echo "== starting the Wine rig"
bash scripts/wine_rig.sh start
# Kestrel reads and writes Values.xml next to its executable: run a copy so the build folder stays clean.
rundir=$win32/run
mkdir -p "$rundir"
cp "$win32/Kestrel.exe" "$rundir/Kestrel.exe"
# The update check and the feedback dialog live in our two DLLs, shipped beside the executable.
for dll in Update.dll SendComment.dll; do
    if [ -f "$win32/$dll" ]; then cp "$win32/$dll" "$rundir/$dll"; fi
done
shot=$root/build/screenshot.png
empty=$root/build/screenshot-empty.png
last=$root/build/screenshot-last.png
if [ -z "${KESTREL_USE_DISPLAY:-}" ]; then
    bash scripts/wine_rig.sh shot "$empty" 1024x768+0+0
fi
bash scripts/wine_rig.sh run wine "$rundir/Kestrel.exe" &
kestrel_pid=$!

# The e2e executable (built by make test) knows how to find the main window from the Windows side.
# Without it, the screen is watched until a window has appeared on the empty desktop and the picture
# holds still (but for the clock line's seconds).
pixels_changed() { compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1; }
rect=
if [ -f "$win32/kestrel_e2e.exe" ]; then
    if rect=$(bash scripts/wine_rig.sh run wine "$win32/kestrel_e2e.exe" --main-window-rect | tr -d '\r'); then
        echo "== Kestrel is running: main window at $rect"
    else
        echo "run: the main window did not appear" >&2
        rect=
    fi
elif [ -z "${KESTREL_USE_DISPLAY:-}" ]; then
    rect=1024x768+0+0
    previous=$empty
    for _ in $(seq 1 60); do
        sleep 0.5
        bash scripts/wine_rig.sh shot "$shot" "$rect"
        if [ "$(pixels_changed "$shot" "$empty")" -gt 50000 ] &&
            [ "$(pixels_changed "$shot" "$previous")" -lt 2000 ]; then
            break
        fi
        cp "$shot" "$last"
        previous=$last
    done
fi

if [ -z "${KESTREL_USE_DISPLAY:-}" ]; then
    bash scripts/wine_rig.sh shot "$shot" "$rect"
    rm -f "$empty" "$last"
    echo "== screenshot saved to ${shot#"$root"/}"
    display=$(cat "$KESTREL_RIG_DIR/display")
    echo "== Kestrel runs on the private X display $display; to look at it:"
    echo "   DISPLAY=$display import -window root now.png    (or x11vnc -display $display, then a VNC viewer)"
fi
echo "== press Ctrl+C to stop (Exit in Kestrel's tray menu stops it too)"
wait "$kestrel_pid" || true

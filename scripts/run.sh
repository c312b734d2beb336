#!/usr/bin/env bash
# `make run`: builds Kestrel.exe and runs it under Wine until Ctrl+C or the tray menu's Exit.
# With $DISPLAY set, Wine's desktop opens on that display. Without one, a virtual display is started, its
# number is printed with a way to look at it, and a screenshot of the main window is saved to
# build/screenshot.png.
# The run has a Wine prefix and rig of its own (build/wine-run, build/rig-run), so that `make test`,
# `make bench` and the screenshots, which use the default rig, never end or re-scale it.
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
cmake --build "$win32" --parallel 2

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
    fi
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
bash scripts/wine_rig.sh run wine "$rundir/Kestrel.exe" &
kestrel_pid=$!

# The e2e executable knows how to find the main window from the Windows side.
if [ -f "$win32/kestrel_e2e.exe" ]; then
    if rect=$(bash scripts/wine_rig.sh run wine "$win32/kestrel_e2e.exe" --main-window-rect | tr -d '\r'); then
        echo "== Kestrel is running: main window at $rect"
    else
        echo "run: the main window did not appear" >&2
        rect=
    fi
else
    rect=
fi

if [ -z "${KESTREL_USE_DISPLAY:-}" ]; then
    shot=$root/build/screenshot.png
    bash scripts/wine_rig.sh shot "$shot" "$rect"
    echo "== screenshot saved to ${shot#"$root"/}"
    display=$(cat "$KESTREL_RIG_DIR/display")
    echo "== Kestrel runs on the private X display $display; to look at it:"
    echo "   DISPLAY=$display import -window root now.png    (or x11vnc -display $display, then a VNC viewer)"
fi
echo "== press Ctrl+C to stop (Exit in Kestrel's tray menu stops it too)"
wait "$kestrel_pid" || true

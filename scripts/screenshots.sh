#!/usr/bin/env bash
# Regenerates docs/screenshot.png (the main window, for the README) and, at 96 and 144 dpi, one
# screenshot per tab: build/artefacts/tab1.png .. tab5.png and tab1-144dpi.png .. tab5-144dpi.png.
# Always on a virtual display of its own, whatever $DISPLAY says.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. "$root/scripts/lib.sh"

bash scripts/setup.sh
win32=$(kestrel_build_dir win32)
artefacts=$root/build/artefacts
mkdir -p "$artefacts" "$root/docs"
echo "== building in ${win32#"$root"/}"
cmake --preset win32 -B "$win32" >/dev/null
cmake --build "$win32" --parallel 2

unset KESTREL_USE_DISPLAY
kestrel_pid=
stop_kestrel() {
    if [ -n "$kestrel_pid" ]; then
        kill "$kestrel_pid" 2>/dev/null || true
        wait "$kestrel_pid" 2>/dev/null || true
        kestrel_pid=
    fi
}
trap 'stop_kestrel; bash "$root/scripts/wine_rig.sh" stop' EXIT
trap 'exit 130' INT TERM

rundir=$(mktemp -d "$root/build/screenshots.XXXXXX")
cp "$win32/Kestrel.exe" "$rundir/Kestrel.exe"
e2e() { bash scripts/wine_rig.sh run wine "$win32/kestrel_e2e.exe" "$@" | tr -d '\r'; }

for dpi in 96 144; do
    suffix=$([ "$dpi" = 96 ] && echo "" || echo "-${dpi}dpi")
    echo "== $dpi dpi"
    KESTREL_DPI=$dpi bash scripts/wine_rig.sh start
    bash scripts/wine_rig.sh run wine "$rundir/Kestrel.exe" &
    kestrel_pid=$!
    rect=$(e2e --main-window-rect)
    if [ "$dpi" = 96 ]; then
        bash scripts/wine_rig.sh shot "$root/docs/screenshot.png" "$rect"
        echo "   docs/screenshot.png ($rect)"
    fi
    for tab in 1 2 3 4 5; do
        e2e --click-tab="$tab"
        bash scripts/wine_rig.sh shot "$artefacts/tab$tab$suffix.png" "$rect"
        echo "   build/artefacts/tab$tab$suffix.png"
    done
    stop_kestrel
    bash scripts/wine_rig.sh stop
done
rm -rf "$rundir"

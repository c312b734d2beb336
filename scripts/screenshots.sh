#!/usr/bin/env bash
# Regenerates the README's pictures, docs/screenshot.png (the main window) and docs/tab1.png .. tab5.png
# (every tab at 96 dpi), and, at 96 and 144 dpi, one screenshot per tab: build/artefacts/tab1.png ..
# tab5.png and tab1-144dpi.png .. tab5-144dpi.png. Always on a virtual display of its own, whatever
# $DISPLAY says. With --artefacts-only (as `make test` calls it) docs/ is left alone.
set -euo pipefail

readme_shot=yes
[ "${1:-}" = "--artefacts-only" ] && readme_shot=no

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
# A few plans, so that the plan list page shows what it is for.
cat >"$rundir/Values.xml" <<'XML'
<计划列表><计划节点><计划名称>关机操作</计划名称><操作时间>22:30</操作时间><操作类型>关闭计算机</操作类型><状态>启用</状态><重复>每天</重复><附加信息>到时间对计算机进行指令操作。</附加信息></计划节点><计划节点><计划名称>定时提醒</计划名称><操作时间>08:45</操作时间><操作类型>文字提示</操作类型><状态>启用</状态><重复>工作日（5天）</重复><附加信息>站会开始，带上周报</附加信息></计划节点><计划节点><计划名称>定时运行</计划名称><操作时间>12:00</操作时间><操作类型>正常运行</操作类型><状态>禁用</状态><重复>一 三 五 </重复><附加信息>C:\Program Files\Backup\backup.exe</附加信息></计划节点><计划节点><计划名称>关机操作</计划名称><操作时间>17:30</操作时间><操作类型>锁定计算机</操作类型><状态>启用</状态><重复>执行一次</重复><附加信息>到时间对计算机进行指令操作。</附加信息></计划节点></计划列表>
XML
e2e() { bash scripts/wine_rig.sh run wine "$win32/kestrel_e2e.exe" "$@" | tr -d '\r'; }

for dpi in 96 144; do
    suffix=$([ "$dpi" = 96 ] && echo "" || echo "-${dpi}dpi")
    echo "== $dpi dpi"
    KESTREL_DPI=$dpi bash scripts/wine_rig.sh start
    bash scripts/wine_rig.sh run wine "$rundir/Kestrel.exe" &
    kestrel_pid=$!
    rect=$(e2e --main-window-rect)
    for tab in 1 2 3 4 5; do
        e2e --click-tab="$tab"
        bash scripts/wine_rig.sh shot "$artefacts/tab$tab$suffix.png" "$rect"
        echo "   build/artefacts/tab$tab$suffix.png"
    done
    if [ "$dpi" = 96 ] && [ "$readme_shot" = yes ]; then
        # The README shows the plan list page first, then every tab.
        cp "$artefacts/tab4.png" "$root/docs/screenshot.png"
        for tab in 1 2 3 4 5; do
            cp "$artefacts/tab$tab.png" "$root/docs/tab$tab.png"
        done
        echo "   docs/screenshot.png and docs/tab1..5.png ($rect)"
    fi
    stop_kestrel
    bash scripts/wine_rig.sh stop
done
rm -rf "$rundir"

#!/usr/bin/env bash
# `make bench`: builds and runs the native benchmarks, then the Windows benchmarks under Wine.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. "$root/scripts/lib.sh"

bash scripts/setup.sh
bench=$(kestrel_build_dir bench)
win32=$(kestrel_build_dir win32)
benchwin=$bench-win32

if compgen -G "bench/*_bench.cpp" >/dev/null; then
    echo "== building the benchmarks in ${bench#"$root"/}"
    cmake --preset bench -B "$bench" >/dev/null
    cmake --build "$bench" --parallel 2
    echo "== native benchmarks"
    "$bench/kestrel_bench"
else
    echo "== no native benchmarks yet (bench/*_bench.cpp)"
fi

if compgen -G "bench/*_win_bench.cpp" >/dev/null; then
    echo "== building the Windows benchmarks in ${benchwin#"$root"/}"
    cmake --preset win32 -B "$benchwin" -DKESTREL_BENCH=ON -DKESTREL_TESTS=OFF >/dev/null
    cmake --build "$benchwin" --parallel 2
    trap 'bash "$root/scripts/wine_rig.sh" stop' EXIT
    trap 'exit 130' INT TERM
    bash scripts/wine_rig.sh start
    for exe in "$benchwin"/*_win_bench.exe; do
        echo "== $(basename "$exe") under Wine"
        bash scripts/wine_rig.sh run wine "$exe"
    done
fi

# Kestrel at rest: the CPU time its process uses over a minute with 50 plans and none due, read from the
# Linux side (Wine does not report another process's times to Windows programs).
if [ -f "$benchwin/Kestrel.exe" ]; then
    echo "== Kestrel at rest for 60 s with 50 plans"
    idle=$(mktemp -d "$root/build/kestrel-idle-XXXXXX")
    cp "$benchwin/Kestrel.exe" "$idle/"
    {
        printf '<计划列表>'
        for i in $(seq 0 49); do
            printf '<计划节点><计划名称>定时提醒</计划名称><操作时间>%02d:%02d</操作时间><操作类型>文字提示</操作类型>' \
                $((($(date +%-H) + 3) % 24)) $((i % 60))
            printf '<状态>启用</状态><重复>每天</重复><附加信息>提醒 %d</附加信息></计划节点>' "$i"
        done
        printf '</计划列表>'
    } >"$idle/Values.xml"
    bash scripts/wine_rig.sh run wine "$idle/Kestrel.exe" mini &
    sleep 5
    pid=$(pgrep -f "$(basename "$idle").Kestrel\.exe" | head -n 1 || true)
    if [ -n "$pid" ]; then
        ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
        before=$(ticks "$pid")
        sleep 60
        after=$(ticks "$pid")
        hz=$(getconf CLK_TCK)
        awk -v t=$((after - before)) -v hz="$hz" \
            'BEGIN { printf "   %.2f s of CPU in 60 s = %.3f %% of one core\n", t / hz, t / hz / 60 * 100 }'
        kill "$pid" 2>/dev/null || true # the copy this step started, by its process id
    else
        echo "   (the idle Kestrel could not be found)"
    fi
    wait || true
    rm -rf "$idle"
fi

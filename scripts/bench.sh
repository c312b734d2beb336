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

# Kestrel at rest with 50 plans and none due, hidden ("mini") and shown: the CPU time of its process over
# 60 s, read from the Linux side as the scheduler's run time in nanoseconds (/proc/PID/task/*/schedstat;
# 10-ms ticks are too coarse at these levels), and how often its message loop woke, which the bench build
# counts itself (wakeups.txt, from 5 s to 65 s after its start).
if [ -f "$benchwin/Kestrel.exe" ]; then
    run_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.0f", s }'; }
    for mode in hidden shown; do
        echo "== Kestrel at rest for 60 s with 50 plans, main window $mode"
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
        if [ "$mode" = hidden ]; then
            bash scripts/wine_rig.sh run wine "$idle/Kestrel.exe" mini &
        else
            bash scripts/wine_rig.sh run wine "$idle/Kestrel.exe" &
        fi
        sleep 5
        pid=$(pgrep -f "$(basename "$idle").Kestrel\.exe" | head -n 1 || true)
        if [ -n "$pid" ]; then
            before=$(run_ns "$pid")
            sleep 60
            after=$(run_ns "$pid")
            awk -v ns=$((after - before)) \
                'BEGIN { printf "   %.1f ms of CPU in 60 s = %.3f %% of one core\n", ns / 1e6, ns / 1e9 / 60 * 100 }'
            for _ in $(seq 1 20); do
                [ -s "$idle/wakeups.txt" ] && break
                sleep 0.5
            done
            if [ -s "$idle/wakeups.txt" ]; then
                awk '{ printf "   the message loop woke %d times in %.1f s = %.2f a second\n", $1, $2 / 1000, $1 / ($2 / 1000) }' \
                    "$idle/wakeups.txt"
            else
                echo "   (no wake-up count was written)"
            fi
            kill "$pid" 2>/dev/null || true # the copy this step started, by its process id
        else
            echo "   (the idle Kestrel could not be found)"
        fi
        wait || true
        rm -rf "$idle"
    done
fi

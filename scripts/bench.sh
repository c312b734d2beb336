#!/usr/bin/env bash
# `make bench`: builds and runs the native benchmarks, then the Windows benchmarks under Wine.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. "$root/scripts/lib.sh"

bash scripts/setup.sh
bench=$(kestrel_build_dir bench)
win32=$(kestrel_build_dir win32)

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
    benchwin=$bench-win32
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

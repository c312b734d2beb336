#!/usr/bin/env bash
# `make bench`: builds and runs the native benchmarks; runs the Windows benchmark under Wine when it exists.
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

if [ -f "$win32/build.ninja" ]; then
    cmake --build "$win32" --parallel 2
fi
if [ -f "$win32/kestrel_bench_win.exe" ]; then
    trap 'bash "$root/scripts/wine_rig.sh" stop' EXIT
    trap 'exit 130' INT TERM
    bash scripts/wine_rig.sh start
    echo "== Windows benchmarks under Wine"
    bash scripts/wine_rig.sh run wine "$win32/kestrel_bench_win.exe"
fi

#!/usr/bin/env bash
# `make fuzz`: builds the libFuzzer targets (tests/fuzz/*_fuzz.cpp) with clang, AddressSanitizer and UBSan,
# replays every kept regression input, then fuzzes each target for a fixed budget of inputs, starting
# from the seeds in tests/fuzz/seeds. A crash, hang, leak or sanitizer report stops it with a non-zero
# status and leaves the input in build/fuzz/findings/ (keep it in tests/fuzz/regressions/ once fixed).
# KESTREL_FUZZ_RUNS sets the budget per target (default 10 million inputs).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh clang libclang-rt-14-dev
build=${KESTREL_BUILD_FUZZ:-$root/build/fuzz}
runs=${KESTREL_FUZZ_RUNS:-10000000}

echo "== building the fuzz targets in ${build#"$root"/}"
cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --parallel 2 >/dev/null

mkdir -p "$build/findings"
for target in "$build"/*_fuzz; do
    name=$(basename "$target")
    corpus=$build/corpus/$name
    mkdir -p "$corpus"
    if compgen -G "tests/fuzz/regressions/*" >/dev/null; then
        echo "== $name: kept regression inputs"
        "$target" tests/fuzz/regressions/*
    fi
    echo "== $name: $runs inputs"
    started=$(date +%s)
    "$target" -runs="$runs" -max_len=4096 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/findings/$name-" "$corpus" tests/fuzz/seeds 2>"$build/$name.log" || {
        tail -n 60 "$build/$name.log"
        echo "fuzz: $name found a fault; the input is in ${build#"$root"/}/findings/" >&2
        exit 1
    }
    grep -E '^stat::number_of_executed_units|^Done' "$build/$name.log" || true
    echo "fuzz: $name ran $runs inputs in $(($(date +%s) - started))s without a crash, hang or sanitizer report"
done

#!/usr/bin/env bash
# `make soak`: the kill-during-save test, many rounds. A child process saves two plan lists in turn and is
# killed with SIGKILL at varied moments; after every kill the plan file must load whole as one of them.
# KESTREL_SOAK_ROUNDS sets the number of kills (default 1000).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. "$root/scripts/lib.sh"

bash scripts/setup.sh
native=$(kestrel_build_dir native)
rounds=${KESTREL_SOAK_ROUNDS:-1000}

echo "== building the native tests in ${native#"$root"/}"
cmake --preset native -B "$native" >/dev/null
cmake --build "$native" --parallel 2 --target kestrel_tests >/dev/null
echo "== $rounds kills during saves"
started=$(date +%s)
KESTREL_KILL_ROUNDS=$rounds "$native/kestrel_tests" --gtest_filter='PlanFileKill.*' --gtest_color=no
echo "soak: $rounds rounds in $(($(date +%s) - started))s, no torn or lost file"

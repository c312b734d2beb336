#!/usr/bin/env bash
# `make soak`: the kill-during-save test, many rounds. A child process saves two plan lists in turn and is
# killed with SIGKILL at varied moments; after every kill the plan file must load whole as one of them.
# KESTREL_SOAK_ROUNDS sets the number of kills (default 1000). Then Kestrel.exe is started and ended
# through its tray menu many times under Wine, each time showing its window and finishing its start-up;
# KESTREL_SOAK_STARTS sets how many (default 300).
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

win32=$(kestrel_build_dir win32)
starts=${KESTREL_SOAK_STARTS:-300}
echo "== building Kestrel and the black-box tests in ${win32#"$root"/}"
cmake --preset win32 -B "$win32" >/dev/null
cmake --build "$win32" --parallel 2 --target Kestrel kestrel_e2e >/dev/null
trap 'bash "$root/scripts/wine_rig.sh" stop' EXIT
trap 'exit 130' INT TERM
bash scripts/wine_rig.sh start
echo "== $starts starts and exits"
started=$(date +%s)
KESTREL_EXE=$win32/Kestrel.exe KESTREL_START_ROUNDS=$starts bash scripts/wine_rig.sh run wine "$win32/kestrel_e2e.exe" \
    --gtest_filter='StartUp.ShowsItsWindowAndEndsTimeAfterTime' --gtest_color=no
echo "soak: $starts starts in $(($(date +%s) - started))s, each showed its window and ended"

#!/usr/bin/env bash
# `make clean`: stops the default Wine rig, those of `make run` and of the installer's screenshots, and
# the test HTTPS servers, and removes the default build folders (the prefixes included).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. "$root/scripts/lib.sh"

# The read-only folder of the black-box scenarios, should a killed test run have left it mounted.
view="$(kestrel_build_dir win32)/e2e-readonly/view"
if mountpoint -q "$view" 2>/dev/null; then
    umount "$view"
fi

bash scripts/setup.sh
bash scripts/wine_rig.sh stop
for rig in run installer; do
    KESTREL_WINEPREFIX=$root/build/wine-$rig KESTREL_RIG_DIR=$root/build/rig-$rig bash scripts/wine_rig.sh stop
    rm -rf "$root/build/wine-$rig" "$root/build/rig-$rig"
done
bash scripts/tls_servers.sh stop
rm -rf "$(kestrel_build_dir native)" "$(kestrel_build_dir win32)" "$(kestrel_build_dir bench)" \
    "${KESTREL_WINEPREFIX:-$root/build/wine}" "${KESTREL_RIG_DIR:-$root/build/rig}" \
    "${KESTREL_TLS_DIR:-$root/build/tls}" "$root/build/dist"

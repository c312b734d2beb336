#!/usr/bin/env bash
# `make clean`: stops the default Wine rig and the test HTTPS servers and removes the default build folders (the prefix included).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. "$root/scripts/lib.sh"

bash scripts/setup.sh
bash scripts/wine_rig.sh stop
bash scripts/tls_servers.sh stop
rm -rf "$(kestrel_build_dir native)" "$(kestrel_build_dir win32)" "$(kestrel_build_dir bench)" \
    "${KESTREL_WINEPREFIX:-$root/build/wine}" "${KESTREL_RIG_DIR:-$root/build/rig}" \
    "${KESTREL_TLS_DIR:-$root/build/tls}" "$root/build/dist"

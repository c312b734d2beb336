#!/usr/bin/env bash
# Installs the packages Kestrel's build, Wine rig and tests need on Debian 12, as root.
# Does nothing when everything is already present, so `make run` and `make test` can always call it.
# Packages named as arguments are wanted too (`make fuzz` adds clang and its fuzzing runtime).
set -euo pipefail

packages=(cmake ninja-build g++ g++-mingw-w64-i686-posix wine wine32:i386 wine64 xvfb xauth x11-utils
          xdotool imagemagick fonts-wqy-microhei fonts-wine libxml2-dev googletest libbenchmark-dev nsis zip
          openssl iproute2 "$@")

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}" >&2
if [ "$(id -u)" != 0 ]; then
    echo "setup: these packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"

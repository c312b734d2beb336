#!/usr/bin/env bash
# `make dist`: builds Kestrel.exe and the two helper libraries (MinSizeRel) and packs them into build/dist/:
#   Kestrel-<version>-setup.exe      the per-user installer (NSIS, installer/kestrel.nsi)
#   Kestrel-<version>-portable.zip   Kestrel.exe, Update.dll, SendComment.dll and ReadMe.txt
# The version comes from src/base/version.h; every file packed, and the installer, must carry it in its
# version record, or the script fails. KESTREL_BUILD_WIN32 chooses the build folder as for make test.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# shellcheck source=scripts/lib.sh
. "$root/scripts/lib.sh"

bash scripts/setup.sh

win32=$(kestrel_build_dir win32)
dist=$root/build/dist
version=$(sed -n 's/^#define KESTREL_VERSION_STRING "\([0-9.]*\)"$/\1/p' src/base/version.h)
if ! [[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]]; then
    echo "dist: no version of four numbers in src/base/version.h" >&2
    exit 1
fi

echo "== building Kestrel $version in ${win32#"$root"/}"
mkdir -p "$win32"
if ! { cmake --preset win32 -B "$win32" && cmake --build "$win32" --parallel 2 --target Kestrel update_dll sendcomment_dll; } \
    >"$win32/dist-build.log" 2>&1; then
    cat "$win32/dist-build.log"
    echo "dist: the build failed" >&2
    exit 1
fi

# The file version in a PE file's fixed version record (VS_FIXEDFILEINFO, found by its signature), as
# a.b.c.d; empty when the file has none.
file_version() {
    local offset words
    offset=$(LC_ALL=C grep -obUaP '\xBD\x04\xEF\xFE' "$1" | head -n 1 | cut -d: -f1)
    [ -n "$offset" ] || return 0
    read -r -a words < <(od -An -tu2 -j $((offset + 8)) -N 8 "$1")
    echo "${words[1]}.${words[0]}.${words[3]}.${words[2]}"
}

check_version() {
    local found
    found=$(file_version "$1")
    if [ "$found" != "$version" ]; then
        echo "dist: $(basename "$1") carries version '${found:-none}', not $version" >&2
        exit 1
    fi
}

for file in Kestrel.exe Update.dll SendComment.dll; do
    check_version "$win32/$file"
done

rm -rf "$dist"
mkdir -p "$dist"
setup=$dist/Kestrel-$version-setup.exe
echo "== packing ${setup#"$root"/}"
# The side picture of the installer's first and last pages, one per display scaling.
art=$win32/installer-art
bash scripts/installer_art.sh "$art"
if ! makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DBUILD_DIR="$win32" -DSOURCE_DIR="$root" \
    -DART_DIR="$art" -DOUT_FILE="$setup" installer/kestrel.nsi >"$win32/dist-nsis.log" 2>&1; then
    cat "$win32/dist-nsis.log"
    echo "dist: makensis failed" >&2
    exit 1
fi
check_version "$setup"

portable=$dist/Kestrel-$version-portable.zip
echo "== packing ${portable#"$root"/}"
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
cp "$win32/Kestrel.exe" "$win32/Update.dll" "$win32/SendComment.dll" "$staging/"
# Notepad on older Windows wants a byte order mark to read UTF-8, and CR LF line ends.
{ printf '\xEF\xBB\xBF'; sed 's/$/\r/' installer/ReadMe.txt; } >"$staging/ReadMe.txt"
(cd "$staging" && zip -q -X -9 "$portable" Kestrel.exe Update.dll SendComment.dll ReadMe.txt)

for file in "$dist"/*; do
    echo "   $(basename "$file"): $(stat -c %s "$file") bytes"
done

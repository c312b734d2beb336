#!/usr/bin/env bash
# Screenshots of the installer made by `make dist`, page by page, at 96 and 144 dpi, for a person to look
# at (no test of their own): build/artefacts/installer-*.png, with "-144dpi" before the extension for
# the second scaling.
#   installer-1-welcome   the welcome page with its side picture
#   installer-2-folder    the folder page
#   installer-3-finish    the last page (its "运行 Kestrel" is left ticked: the next picture needs Kestrel)
#   installer-4-password  a second install while that Kestrel, locked with a parent's password, shows its
#                         password box: the installer's message after 10 s
#   installer-5-confirm, installer-6-options   the uninstaller's first two pages
# The pages are driven with the keyboard on a virtual display of their own. It runs in a Wine prefix of
# its own (build/wine-installer), since it installs, sets a password and uninstalls there.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/dist.sh >/dev/null
setup=$(ls "$root"/build/dist/Kestrel-*-setup.exe)
artefacts=$root/build/artefacts
mkdir -p "$artefacts"
export KESTREL_WINEPREFIX=$root/build/wine-installer KESTREL_RIG_DIR=$root/build/rig-installer
unset KESTREL_USE_DISPLAY
rig() { bash scripts/wine_rig.sh "$@"; }
trap 'rig stop' EXIT
trap 'exit 130' INT TERM

# The parent's password "kestrel" as Kestrel stores it: version 1, the iterations (little-endian), the
# salt, the PBKDF2-HMAC-SHA256 key and the CRC-32 of all that (the last 8 bytes of gzip's output start
# with it).
password_record() {
    local salt=000102030405060708090a0b0c0d0e0f iterations=100000 key head
    key=$(openssl kdf -keylen 32 -kdfopt digest:SHA256 -kdfopt pass:kestrel -kdfopt "hexsalt:$salt" \
        -kdfopt "iter:$iterations" PBKDF2 | tr -d ':\n' | tr 'A-F' 'a-f')
    head=01$(printf '%08x' "$iterations" | sed 's/\(..\)\(..\)\(..\)\(..\)/\4\3\2\1/')$salt$key
    # shellcheck disable=SC2059
    echo "$head$(printf "$(echo "$head" | sed 's/../\\x&/g')" | gzip -c | tail -c 8 | head -c 4 | od -An -tx1 | tr -d ' \n')"
}

installed=$KESTREL_WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Programs/Kestrel
forget_kestrel() {
    rig run wine reg delete 'HKCU\Software\Kestrel' /f >/dev/null 2>&1 || true
    rig run wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrel' /f \
        >/dev/null 2>&1 || true
    rig run wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v Kestrel /f \
        >/dev/null 2>&1 || true
    rm -rf "$installed"
}

key() {
    rig run xdotool key "$1"
    sleep "${2:-2}"
}
# The Wine desktop above its taskbar, cut to the windows on it.
shot() {
    rig shot "$artefacts/installer-$1$suffix.png" 1024x720+0+0
    convert "$artefacts/installer-$1$suffix.png" -trim +repage "$artefacts/installer-$1$suffix.png"
    echo "   build/artefacts/installer-$1$suffix.png"
}

for dpi in 96 144; do
    suffix=$([ "$dpi" = 96 ] && echo "" || echo "-${dpi}dpi")
    echo "== $dpi dpi"
    export KESTREL_DPI=$dpi
    rig start
    forget_kestrel
    rig run wine reg add 'HKCU\Software\Kestrel' /v ParentPassword /t REG_BINARY /d "$(password_record)" /f \
        >/dev/null 2>&1
    rig run wine "$setup" >/dev/null 2>&1 &
    sleep 8
    shot 1-welcome
    key Return
    shot 2-folder
    key Return 8
    shot 3-finish
    key Return 8
    rig run wine "$setup" >/dev/null 2>&1 &
    sleep 8
    key Return
    key Return 14
    shot 4-password
    rig stop

    rig start
    rig run wine reg delete 'HKCU\Software\Kestrel' /v ParentPassword /f >/dev/null 2>&1
    rig run wine "$installed/uninstall.exe" >/dev/null 2>&1 &
    sleep 8
    shot 5-confirm
    key Return
    shot 6-options
    key Return 6
    rig stop
    rig start
    forget_kestrel
    rig stop
done

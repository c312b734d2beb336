#!/usr/bin/env bash
# The Wine rig: a throwaway 32-bit prefix under build/, CJK font replacements, one default virtual desktop,
# our own Xvfb on a free display and a warm wineserver. It ends only what it started.
#
#   scripts/wine_rig.sh start        prepare the prefix, start Xvfb (unless a display is given) and wineserver
#   scripts/wine_rig.sh stop         end the prefix's wineserver and our Xvfb (by PID)
#   scripts/wine_rig.sh run CMD ...  run a command inside the rig's environment
#   scripts/wine_rig.sh shot FILE    screenshot of the whole virtual display
#
# KESTREL_WINEPREFIX and KESTREL_RIG_DIR choose another prefix and state folder, so that several rigs
# can run side by side. KESTREL_DPI (96 or 144 ...) sets the prefix's display scaling at start.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
prefix=${KESTREL_WINEPREFIX:-$root/build/wine}
state=${KESTREL_RIG_DIR:-$root/build/rig}
mkdir -p "$state"
envfile=$state/env

export WINEARCH=win32 WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mshtml=;winemenubuilder.exe=d"

free_display() {
    local n
    for n in $(seq 90 140); do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
            echo "$n"
            return 0
        fi
    done
    return 1
}

start_xvfb() {
    if [ -f "$state/xvfb.pid" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null; then
        return 0
    fi
    local n
    n=$(free_display) || { echo "wine_rig: no free display" >&2; exit 1; }
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$state/xvfb.log" 2>&1 &
    echo $! >"$state/xvfb.pid"
    echo ":$n" >"$state/display"
    for _ in $(seq 1 100); do
        [ -e "/tmp/.X11-unix/X$n" ] && return 0
        sleep 0.05
    done
    echo "wine_rig: Xvfb did not come up on :$n" >&2
    exit 1
}

prepare_prefix() {
    if [ -f "$prefix/.kestrel-ready" ]; then
        return 0
    fi
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    wineboot -i >/dev/null 2>&1 || true
    local regfile=$state/rig.reg
    cat >"$regfile" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Microsoft YaHei"="WenQuanYi Micro Hei"
"SimSun"="WenQuanYi Micro Hei"
"Tahoma"="WenQuanYi Micro Hei"
"MS Shell Dlg"="WenQuanYi Micro Hei"
"MS Shell Dlg 2"="WenQuanYi Micro Hei"
"Segoe UI"="WenQuanYi Micro Hei"

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="kestrel"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"kestrel"="1024x768"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops\kestrel]
"EnableShell"=dword:00000001

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
REG
    wine regedit "$regfile" >/dev/null 2>&1
    wineserver -w
    touch "$prefix/.kestrel-ready"
}

set_dpi() {
    local dpi=$1 hex
    hex=$(printf '%08x' "$dpi")
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wineserver -w
    echo "$hex" >/dev/null
}

write_env() {
    cat >"$envfile" <<ENV
export WINEARCH=win32 WINEPREFIX='$prefix' WINEDEBUG='$WINEDEBUG' WINEDLLOVERRIDES='$WINEDLLOVERRIDES'
export DISPLAY='$DISPLAY'
ENV
}

case "${1:-}" in
start)
    if [ -z "${KESTREL_USE_DISPLAY:-}" ]; then
        start_xvfb
        export DISPLAY=$(cat "$state/display")
    else
        export DISPLAY=$KESTREL_USE_DISPLAY
    fi
    prepare_prefix
    if [ -n "${KESTREL_DPI:-}" ]; then
        set_dpi "$KESTREL_DPI"
    fi
    write_env
    wineserver -p
    wine wineboot >/dev/null 2>&1 || true
    ;;
stop)
    wineserver -k 2>/dev/null || true
    if [ -f "$state/xvfb.pid" ]; then
        kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
        rm -f "$state/xvfb.pid" "$state/display"
    fi
    ;;
run)
    shift
    # shellcheck disable=SC1090
    . "$envfile"
    exec "$@"
    ;;
shot)
    # shellcheck disable=SC1090
    . "$envfile"
    import -window root "$2"
    ;;
*)
    echo "usage: $0 start|stop|run CMD...|shot FILE" >&2
    exit 2
    ;;
esac

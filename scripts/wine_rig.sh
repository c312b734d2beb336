#!/usr/bin/env bash
# The Wine rig: a throwaway 32-bit prefix under build/, CJK font replacements, one default virtual desktop,
# our own Xvfb on a free display and a warm wineserver. It ends only what it started.
#
#   scripts/wine_rig.sh start        prepare the prefix, start Xvfb (unless a display is given) and wineserver
#   scripts/wine_rig.sh stop         end the prefix's wineserver and our Xvfb (by PID)
#   scripts/wine_rig.sh run CMD ...  run a command inside the rig's environment
#   scripts/wine_rig.sh shot FILE [GEOMETRY]
#                                    screenshot of the virtual display, or of GEOMETRY (WxH+X+Y) on it
#   scripts/wine_rig.sh dpi N        switch the prefix's display scaling (restarts the wineserver)
#   scripts/wine_rig.sh programs     the programs running in the prefix (PID and name), Wine's own apart
#
# KESTREL_WINEPREFIX and KESTREL_RIG_DIR choose another prefix and state folder, so that several rigs
# can run side by side. KESTREL_USE_DISPLAY uses that X display instead of starting Xvfb.
# KESTREL_DPI sets the prefix's display scaling at start (default 96, so a run never inherits another's).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
prefix=${KESTREL_WINEPREFIX:-$root/build/wine}
state=${KESTREL_RIG_DIR:-$root/build/rig}
mkdir -p "$state"
envfile=$state/env

export WINEARCH=win32 WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mshtml=;winemenubuilder.exe=d"

xvfb_running() {
    [ -f "$state/xvfb.pid" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null
}

# Xvfb picks a free display number itself and reports it once it accepts connections, so two rigs
# starting at the same moment cannot race for one number.
start_xvfb() {
    if xvfb_running && [ -s "$state/display" ]; then
        return 0
    fi
    rm -f "$state/display.fd"
    fresh_display=1
    Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$state/display.fd" >"$state/xvfb.log" 2>&1 &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 1 200); do
        if [ -s "$state/display.fd" ]; then
            echo ":$(tr -d '[:space:]' <"$state/display.fd")" >"$state/display"
            return 0
        fi
        kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null || break
        sleep 0.05
    done
    echo "wine_rig: Xvfb did not come up (see $state/xvfb.log)" >&2
    exit 1
}

prepare_prefix() {
    if [ -f "$prefix/.kestrel-ready" ]; then
        return 0
    fi
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    echo "wine_rig: preparing the Wine prefix $prefix" >&2
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
    echo 96 >"$prefix/.kestrel-dpi"
    touch "$prefix/.kestrel-ready"
}

# Wine reads LogPixels when its server starts, so the server is ended after the write; the next Wine
# command starts a fresh one that sees the new value.
set_dpi() {
    local dpi=$1
    if [ "$(cat "$prefix/.kestrel-dpi" 2>/dev/null || echo 96)" = "$dpi" ]; then
        return 0
    fi
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wineserver -k 2>/dev/null || true
    wineserver -w
    echo "$dpi" >"$prefix/.kestrel-dpi"
}

write_env() {
    cat >"$envfile" <<ENV
export WINEARCH=win32 WINEPREFIX='$prefix' WINEDEBUG='$WINEDEBUG' WINEDLLOVERRIDES='$WINEDLLOVERRIDES'
export DISPLAY='$DISPLAY'
ENV
}

warm_up() {
    # Already running is warm enough.
    wineserver -p </dev/null >/dev/null 2>&1 || true
    wine wineboot </dev/null >/dev/null 2>&1 || true
}

# Wine's own processes, which every prefix runs while its server does.
wine_services=" services.exe winedevice.exe plugplay.exe svchost.exe rpcss.exe explorer.exe conhost.exe "

# Every process of this prefix is a Windows program whose command line starts with its .exe path; the
# shells and the server that carry the prefix in their environment are not.
list_programs() {
    local proc name
    for proc in /proc/[0-9]*; do
        tr '\0' '\n' 2>/dev/null <"$proc/environ" | grep -qxF "WINEPREFIX=$prefix" || continue
        name=$(tr '\0' '\n' 2>/dev/null <"$proc/cmdline" | head -n 1 | sed 's/.*[\\/]//' | tr 'A-Z' 'a-z')
        case $name in
        *.exe) [[ $wine_services == *" $name "* ]] || echo "${proc#/proc/} $name" ;;
        esac
    done
}

load_env() {
    if [ ! -f "$envfile" ]; then
        echo "wine_rig: the rig is not started ($envfile missing)" >&2
        exit 1
    fi
    # shellcheck disable=SC1090
    . "$envfile"
}

case "${1:-}" in
start)
    if [ -z "${KESTREL_USE_DISPLAY:-}" ]; then
        start_xvfb
        DISPLAY=$(cat "$state/display")
    else
        DISPLAY=$KESTREL_USE_DISPLAY
    fi
    export DISPLAY
    # A server left running from an earlier rig drew on a display that is gone: its desktop must not
    # outlive it.
    if [ -n "${fresh_display:-}" ]; then
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
    fi
    prepare_prefix
    set_dpi "${KESTREL_DPI:-96}"
    write_env
    warm_up
    ;;
stop)
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    if [ -f "$state/xvfb.pid" ]; then
        pid=$(cat "$state/xvfb.pid")
        if kill "$pid" 2>/dev/null; then
            for _ in $(seq 1 100); do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.05
            done
        fi
        rm -f "$state/xvfb.pid" "$state/display" "$state/display.fd"
    fi
    rm -f "$envfile"
    ;;
run)
    shift
    load_env
    exec "$@"
    ;;
shot)
    load_env
    if [ -n "${3:-}" ]; then
        import -window root -crop "$3" +repage "$2"
    else
        import -window root "$2"
    fi
    ;;
dpi)
    load_env
    set_dpi "$2"
    warm_up
    ;;
programs)
    list_programs
    ;;
*)
    echo "usage: $0 start|stop|run CMD...|shot FILE [WxH+X+Y]|dpi N|programs" >&2
    exit 2
    ;;
esac

#!/usr/bin/env bash
# Checks the import table of Kestrel.exe: Windows loads the DLLs named there before the program's first
# line runs, and looks for each one that is not a Known DLL in the program's own folder first. A copy
# planted beside a Kestrel.exe in a downloads folder would run with the user's rights. So the table may
# name only Known DLLs, and comctl32, which the manifest binds to the system's side-by-side assembly;
# every other system DLL goes through the lazy binder (lazy_dlls in CMakeLists.txt), which loads it from
# the system folder only.
#
# Usage: check_imports.sh EXE [MANIFEST]   prints the table and any DLL that does not belong there
set -euo pipefail

exe=$1
manifest=${2:-$(dirname "$0")/../src/res/kestrel.manifest}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}

# HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs of Windows 10 and 11 (32-bit and
# WOW64 alike), with ntdll and kernelbase, which every process has loaded before any import is bound.
known="advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32 kernel32 kernelbase
       msctf msvcrt normaliz nsi ntdll ole32 oleaut32 psapi rpcrt4 sechost setupapi shcore shell32 shlwapi
       user32 wldap32 ws2_32"

imports=$("$objdump" -p "$exe" | awk '/DLL Name:/ { print tolower($3) }')
if [ -z "$imports" ]; then
    echo "check_imports: no import table read from $exe" >&2
    exit 1
fi
bad=()
for dll in $imports; do
    name=${dll%.dll}
    if [ "$name" = comctl32 ] && grep -q 'name="Microsoft.Windows.Common-Controls"' "$manifest"; then
        continue
    fi
    case " $(echo $known) " in
    *" $name "*) ;;
    *) bad+=("$dll") ;;
    esac
done
echo "imports: $(echo $imports)"
if [ ${#bad[@]} -gt 0 ]; then
    echo "not Known DLLs, so looked for beside the program first: ${bad[*]} (bind them lazily: lazy_dlls in CMakeLists.txt)"
    exit 1
fi

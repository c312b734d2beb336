# Shared by the scripts in this folder: where the build folders are.
# KESTREL_BUILD_NATIVE, KESTREL_BUILD_WIN32 and KESTREL_BUILD_BENCH override the preset folders, so that
# several people can build in one work tree without clobbering each other.

kestrel_build_dir() {
    local root
    root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    case "$1" in
    native) echo "${KESTREL_BUILD_NATIVE:-$root/build/native}" ;;
    win32) echo "${KESTREL_BUILD_WIN32:-$root/build/win32}" ;;
    bench) echo "${KESTREL_BUILD_BENCH:-$root/build/bench}" ;;
    *) return 1 ;;
    esac
}

# Sourced: readies wine to run a Windows build's programs and tests, in a wine prefix of
# the build's own (BUILD/wine), never the user's ~/.wine.
#
#   source tools/windows/wine-env.sh BUILD     # BUILD: configured with cmake/mingw-w64-x86_64.cmake
#   ctest --test-dir BUILD
#   wine_env_stop                              # ends the prefix's wineserver
#
# Programs find their DLLs through WINEPATH: mingw's C++ runtime and the bin folders of the
# prefixes the build was configured with (Qt's DLLs). Qt reads its variables from the
# Windows environment, which wine fills from the WINE-prefixed Unix ones.

wine_env_fail() {
    echo "wine-env: $*" >&2
    return 1
}

wine_env_windows_path() {
    local path=${1//\//\\}
    echo "Z:$path"
}

wine_env_start() {
    local build=$1 dll dir prefixes prefix
    [ -f "$build/CMakeCache.txt" ] || wine_env_fail "$build: not a configured build folder" || return
    build=$(cd "$build" && pwd)

    export WINEPREFIX=$build/wine
    export WINEARCH=win64
    export WINEDEBUG=-all
    # No Mono or Gecko installers when the prefix is made, no menu entries in the home folder.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    export WINEQT_QPA_PLATFORM=offscreen
    export WINEQT_FORCE_STDERR_LOGGING=1
    # The offscreen platform draws with FreeType from this folder alone (Qt's default, the
    # fonts folder in its own lib, does not exist).
    export WINEQT_QPA_FONTDIR='C:\windows\Fonts'

    local paths=()
    for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
        dll=$(x86_64-w64-mingw32-g++-posix -print-file-name=$dll)
        [ -f "$dll" ] || wine_env_fail "mingw's $dll not found" || return
        dir=$(wine_env_windows_path "$(dirname "$(readlink -f "$dll")")")
        [[ " ${paths[*]} " == *" $dir "* ]] || paths+=("$dir")
    done
    prefixes=$(sed -n 's/^TAMBLINOR_WINDOWS_PREFIXES:[A-Z]*=//p' "$build/CMakeCache.txt")
    local IFS=';'
    for prefix in $prefixes; do
        [ -d "$prefix/bin" ] && paths+=("$(wine_env_windows_path "$prefix/bin")")
    done
    WINEPATH="${paths[*]}"
    unset IFS
    export WINEPATH

    mkdir -p "$WINEPREFIX"
    # A new prefix is made by a server of its own, left to end with everything it started:
    # the desktop that making the prefix opens has no display, and while it lasts no
    # program of the prefix can open a window on one ("CreateWindowEx failed").
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wine wineboot --init </dev/null >/dev/null 2>&1
        wineserver -w
    fi
    # A persistent server and a prefix made up front: otherwise each program started by
    # ctest starts a server that keeps ctest's output pipes open, and ctest waits on them.
    wineserver -p </dev/null >/dev/null 2>&1
    wine cmd /c exit </dev/null >/dev/null 2>&1 || wine_env_fail "wine does not start" || return

    # Chinese names need a CJK font, and wine has none of its own. The windows platform sees
    # the machine's fonts through wine; the offscreen one only those in the folder above.
    local fonts=$WINEPREFIX/drive_c/windows/Fonts font
    font=$(fc-list -f '%{file}\n' 'WenQuanYi Micro Hei' 2>/dev/null | head -n 1)
    if [ -f "$font" ] && [ ! -e "$fonts/$(basename "$font")" ]; then
        ln -s "$font" "$fonts/"
    fi
}

wine_env_stop() {
    wineserver -k >/dev/null 2>&1 || true
}

wine_env_start "${1:?usage: source tools/windows/wine-env.sh BUILD}"

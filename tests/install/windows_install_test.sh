#!/usr/bin/env bash
# The Windows installer and zip as a parent gets them, under wine: made by cpack from this
# build, installed silently into a fresh wine prefix, both programs run from Program
# Files with nothing but their own folder to find DLLs in, the window shown on a virtual
# screen, the uninstall entry checked, then uninstalled silently, which must leave the
# user's settings. The zip is unpacked and its command line renames a folder of photos.
# Exits 77 (skipped) when a tool the test needs is missing.
#
#   windows_install_test.sh CPACK BUILD_DIR MAKE_PHOTOS VERSION
set -euo pipefail

cpack=$1
cmake=$(dirname "$cpack")/cmake
build=$(realpath "$2")
make_photos=$(realpath "$3")
version=$4

for tool in "$cpack" makensis wine wineserver Xvfb xdotool timeout; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
xvfb=
cleanup() {
    # Only the prefix of this test: the build's own may be serving other tests.
    [[ ${WINEPREFIX:-} == "$work/wine" ]] && { wineserver -k >/dev/null 2>&1 || true; }
    [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
# until SECONDS COMMAND...: true once COMMAND succeeds, false if it has not by then.
until_true() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.5
    done
}
absent() { [[ ! -e $1 ]]; }
windows_path() { local path=${1//\//\\}; echo "Z:$path"; }

# The packages
"$cpack" --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack could not make the packages"; }
setup=$work/out/Tamblinor-$version-win64-setup.exe
zip=$work/out/Tamblinor-$version-win64.zip
for file in "$setup" "$zip"; do
    [[ -f $file ]] || fail "cpack made no $(basename "$file")"
    echo "ok: $(basename "$file"), $(stat -c %s "$file") bytes"
done

# A fresh prefix in which only the installed folder provides DLLs, and a screen for the
# window's real platform plugin.
export WINEPREFIX=$work/wine WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset WINEPATH WINEQT_QPA_PLATFORM WINEQT_QPA_FONTDIR WINEQT_PLUGIN_PATH
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
exec 3>&-
until_true 30 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(cat "$work/display")
mkdir "$WINEPREFIX"
# In a folder without DLLs: Windows looks for them in the current one too.
cd "$work"
wineserver -p
wine cmd /c exit >/dev/null 2>&1 || fail "wine does not start"

# The zip, unpacked; its mingw DLLs also serve the test's photo maker.
(cd "$work" && "$cmake" -E tar xf "$zip") || fail "the zip does not unpack"
portable=$work/Tamblinor-$version-win64
photos=$work/photos
mkdir "$photos"
WINEPATH=$(windows_path "$portable") wine "$make_photos" "$(windows_path "$photos")" \
    --count 12 --start "2007:03:15 14:05:33" --step 86400 --same-second-percent 20 \
    >/dev/null 2>&1 || fail "no photos made"

# Installed
timeout 300 wine "$setup" /S || fail "the installer failed ($?)"
app=$WINEPREFIX/drive_c/Program\ Files/Tamblinor
menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs
for file in tamblinor.exe tamblinor-cli.exe Uninstall.exe qt.conf Qt6Core.dll Qt6Gui.dll \
    Qt6Widgets.dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll libexif-12.dll \
    plugins/platforms/qwindows.dll plugins/styles/qwindowsvistastyle.dll \
    plugins/imageformats/qjpeg.dll plugins/imageformats/qico.dll copyright.txt README.txt \
    third-party.txt licences/LGPL-3.txt; do
    [[ -f $app/$file ]] || fail "Program Files\\Tamblinor\\$file is missing"
done
[[ -f "$menu/Tamblinor 宝宝照片改名.lnk" ]] || fail "no Start menu entry"
installed_kib=$(du -sk --apparent-size "$app" | cut -f1)
echo "ok: installed, $(find "$app" -type f | wc -l) files, $installed_kib KiB"

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tamblinor'
entry=$(wine reg query "$uninstall_key" /reg:64 2>/dev/null | tr -d '\r') ||
    fail "no uninstall entry in the 64-bit registry"
value() { awk -v name="$1" '$1 == name { $1 = ""; $2 = ""; sub(/^ +/, ""); print }' <<<"$entry"; }
[[ $(value DisplayName) == Tamblinor ]] || fail "DisplayName: $(value DisplayName)"
[[ $(value DisplayVersion) == "$version" ]] || fail "DisplayVersion: $(value DisplayVersion)"
[[ $(value Publisher) == Oskev ]] || fail "Publisher: $(value Publisher)"
[[ $(value DisplayIcon) == 'C:\Program Files\Tamblinor\tamblinor.exe,0' ]] ||
    fail "DisplayIcon: $(value DisplayIcon)"
[[ $(value UninstallString) == '"C:\Program Files\Tamblinor\Uninstall.exe"' ]] ||
    fail "UninstallString: $(value UninstallString)"
[[ $(value QuietUninstallString) == '"C:\Program Files\Tamblinor\Uninstall.exe" /S' ]] ||
    fail "QuietUninstallString: $(value QuietUninstallString)"
size=$(value EstimatedSize)
((size > installed_kib * 9 / 10 && size < installed_kib * 11 / 10)) ||
    fail "EstimatedSize $size KiB for $installed_kib KiB installed"
echo "ok: uninstall entry"

# Explorer's entries, read back from the registry's UTF-16: caption as configured, icon, command
verbs=('HKLM\Software\Classes\Directory\shell\Tamblinor'
       'HKLM\Software\Classes\Directory\Background\shell\Tamblinor')
caption=$(sed -n 's/^set(CPACK_TAMBLINOR_NSIS_FOLDER_VERB "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
exe='C:\\Program Files\\Tamblinor\\tamblinor.exe'
for key in "${verbs[@]}"; do
    wine reg export "$key" "$work/verb.reg" /y /reg:64 >/dev/null 2>&1 || fail "no $key"
    verb=$(iconv -f UTF-16 -t UTF-8 "$work/verb.reg" | tr -d '\r')
    [[ $verb == *"@=\"$caption\""*"\"Icon\"=\"$exe,0\""*"@=\"\\\"$exe\\\" \\\"%V\\\"\""* ]] || fail "$key: $verb"
done

# Run from there
cli='C:\Program Files\Tamblinor\tamblinor-cli.exe'
out=$(timeout 60 wine "$cli" --version 2>"$work/cli.log" | tr -d '\r') ||
    { cat "$work/cli.log"; fail "tamblinor-cli --version failed"; }
[[ $out == "tamblinor-cli $version" ]] || fail "tamblinor-cli --version printed: $out"
echo "ok: $out"

# The user's settings, as the window keeps them; the uninstaller must leave them.
settings_key='HKCU\Software\VB and VBA Program Settings\Oskev\Tamblin'
wine reg add "$settings_key" /v birthday /d 2006-05-10 /f >/dev/null 2>&1

timeout 120 wine 'C:\Program Files\Tamblinor\tamblinor.exe' >"$work/window.log" 2>&1 &
window=$!
# Qt's own message boxes (a missing platform plugin) bear the program's name too, so the
# window is known by its whole title.
window_shown() { xdotool search --onlyvisible --name '^Tamblinor\(by Oskev\)$' >/dev/null 2>&1; }
until_true 60 window_shown || { cat "$work/window.log"; fail "the window did not come up"; }
kill -0 "$window" 2>/dev/null || fail "the window came up and went"
echo "ok: the window came up"
kill "$window" 2>/dev/null
wine taskkill /f /im tamblinor.exe >/dev/null 2>&1 || true
wait "$window" 2>/dev/null || true

# Uninstalled: the uninstaller runs a copy of itself and returns at once.
timeout 60 wine "$app/Uninstall.exe" /S || fail "the uninstaller failed ($?)"
until_true 60 absent "$app" || fail "left behind: $(cd "$app" && find . -type f | head)"
[[ ! -e "$menu/Tamblinor 宝宝照片改名.lnk" ]] || fail "the Start menu entry stayed"
! wine reg query "$uninstall_key" /reg:64 >/dev/null 2>&1 || fail "the uninstall entry stayed"
wine reg query "$settings_key" /v birthday 2>/dev/null | grep -q 2006-05-10 ||
    fail "the uninstaller removed the user's settings"
echo "ok: uninstalled, settings kept"

# The zip's command line, run where unpacked, renames the photos, every byte kept.
contents() { find "$photos" -type f -exec md5sum {} + | cut -d' ' -f1 | sort; }
before=$(contents)
[[ -f $portable/qt.conf && -f $portable/plugins/platforms/qwindows.dll ]] ||
    fail "the zip lacks the Qt set-up"
timeout 120 wine "$(windows_path "$portable/tamblinor-cli.exe")" --birthday 2006-05-10 \
    "$(windows_path "$photos")" >"$work/cli.log" 2>&1 ||
    { cat "$work/cli.log"; fail "the zip's tamblinor-cli failed"; }
total=$(find "$photos" -type f | wc -l)
renamed=$(find "$photos" -type f -name '0岁10月*天(*点*分*秒)*.jpg' | wc -l)
((total == 12 && renamed == 12)) ||
    { ls "$photos"; fail "$renamed of 12 photos renamed, $total there"; }
[[ $(contents) == "$before" ]] || fail "the photos' contents changed"
# The uninstaller removed Explorer's entries, and the zip's programs made none.
for key in "${verbs[@]}"; do ! wine reg query "$key" /reg:64 >/dev/null 2>&1 || fail "$key stayed"; done
echo "ok: the zip's tamblinor-cli renamed 12 photos"

#!/usr/bin/env bash
# What a Windows user downloads (scripts/package-windows), under Wine.
# Usage: package_under_wine.sh CASE WINDOWS_BUILD
#   zip:       each program runs from the unpacked zip alone and imports
#              nothing beyond Windows' own DLLs; with a file "portable" beside
#              it zoric-demo.exe keeps its settings in an INI file there
#   installer: a silent install per user (files, start-menu entries, the
#              entry in the user's list of programs), the installed
#              zoric-cli.exe runs, and the silent uninstaller takes away
#              everything it installed and leaves the user's settings
set -uo pipefail

case_name=$1
win_build=$2
package=$win_build/package
zip=$(ls "$package"/zoric-drive-tool-*-windows-x64.zip 2>/dev/null | head -n 1)
installer=${zip%.zip}.exe
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

work=$(mktemp -d /tmp/zoric-wine-package.XXXXXX)
xvfb_pid=""
cleanup() {
    if [ -n "${own_server:-}" ]; then wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; fi
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
finish() { [ "$failures" -eq 0 ] && echo "PASS: $case_name" && exit 0; exit 1; }

if [ ! -f "$zip" ] || [ ! -f "$installer" ]; then
    echo "FAIL: no package in $package: scripts/package-windows makes it"
    exit 1
fi
programs="zoric-demo.exe zoric-cli.exe zoric-sim.exe"

case "$case_name" in
zip)
    : "${WINEPREFIX:?the tests run in a prefix of their own}"
    # A display before the first program of the case: a window of a program
    # started after programs without one stayed unseen (Wine 8).
    exec 5>"$work/display"
    Xvfb -displayfd 5 -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(cat "$work/display")"
    # The shared wineserver's desktop belongs to the display of the program
    # that made it: one made by programs without a display (the earlier
    # cases) shows no window. These cases run alone (RUN_SERIAL): a server
    # of their own, on this display, ended again when the case ends.
    wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
    own_server=1
    unzip -q "$zip" -d "$work"
    dir=$(ls -d "$work"/zoric-drive-tool-*)
    for f in $programs LICENSE.txt THIRD-PARTY-NOTICES.txt README.txt; do
        [ -f "$dir/$f" ] || fail "$f is not in the zip"
    done
    # Windows' own DLLs only: a static Qt and a static MinGW runtime.
    for exe in $programs; do
        dlls=$(x86_64-w64-mingw32-objdump -p "$dir/$exe" | awk '/DLL Name:/ { print $3 }' | tr '\n' ' ')
        echo "$exe imports: $dlls"
        for dll in $dlls; do
            case "${dll,,}" in
            qt*|lib*|*gcc*|*stdc++*|*pthread*|*mingw*) fail "$exe needs $dll, which is not Windows'" ;;
            esac
        done
    done
    wine "$dir/zoric-cli.exe" --version | grep -q "^zoric-cli" || fail "zoric-cli.exe from the zip does not start"
    wine "$dir/zoric-sim.exe" --version | grep -q "^zoric-sim" || fail "zoric-sim.exe from the zip does not start"
    wine "$dir/zoric-cli.exe" --port sim:// read 0 2 >"$work/read.out" 2>&1 || fail "zoric-cli.exe from the zip on sim://: $(cat "$work/read.out")"

    # zoric-demo.exe, portable: its settings beside it, none in the registry.
    : >"$dir/portable"
    wine reg delete 'HKCU\Software\ZORIC' /f >/dev/null 2>&1
    LC_ALL=en_US.UTF-8 wine "$dir/zoric-demo.exe" >"$work/demo.out" 2>&1 &
    demo=$!
    for _ in $(seq 300); do xwininfo -root -tree 2>/dev/null | grep -qF '"ZORIC Modbus Demo"' && break; sleep 0.1; done
    xwininfo -root -tree 2>/dev/null | grep -qF '"ZORIC Modbus Demo"' ||
        fail "zoric-demo.exe from the zip shows no window: $(cat "$work/demo.out"; xwininfo -root -tree 2>&1 | grep -v "has no name" | head)"
    wine taskkill /im zoric-demo.exe >/dev/null 2>&1
    for _ in $(seq 100); do kill -0 "$demo" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$demo" 2>/dev/null && { fail "zoric-demo.exe does not close"; kill "$demo"; }
    wait "$demo" 2>/dev/null
    grep -q "^port=COM1" "$dir/ZORIC/ZORIC_Demo.ini" 2>/dev/null ||
        fail "no portable settings beside the program: $(ls -R "$dir")"
    wine reg query 'HKCU\Software\ZORIC' >/dev/null 2>&1 && fail "a portable run wrote to the registry"
    ;;
installer)
    # A prefix of its own: a silent uninstaller returns at once and goes on
    # in a copy of itself, which only the prefix's end (wineserver -w) waits for.
    export WINEPREFIX=$work/prefix
    wineboot -i >/dev/null 2>&1 || { echo "FAIL: wineboot"; exit 1; }
    user_dir=$(ls -d "$WINEPREFIX/drive_c/users/"* | grep -v Public | head -n 1)
    target="$user_dir/AppData/Local/Programs/ZORIC Drive Tool"
    menu="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
    uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZORIC Drive Tool'

    # The installer speaks the Windows display language, and names the
    # start-menu entries in it; an English and a Chinese Windows in turn.
    # Wine takes both the language and the file names' character set from
    # the locale: the two are made here if the machine has not got them.
    mkdir -p "$work/locales"
    for l in zh_CN en_US; do
        localedef -i "$l" -f UTF-8 "$work/locales/$l.UTF-8" >/dev/null 2>&1 || { echo "FAIL: localedef $l"; exit 1; }
    done
    export LOCPATH=$work/locales
    for language in en zh; do
        if [ "$language" = en ]; then
            locale=en_US.UTF-8 folder="ZORIC Drive Tool"
            links=("ZORIC Drive Tool" "ZORIC Drive Tool (simulated drive)" "Uninstall ZORIC Drive Tool")
        else
            locale=zh_CN.UTF-8 folder="ZORIC 驱动器工具"
            links=("ZORIC 驱动器工具" "ZORIC 驱动器工具 (模拟驱动器)" "卸载 ZORIC 驱动器工具")
        fi
        LC_ALL=$locale wine "$installer" /S
        wineserver -w
        for f in $programs LICENSE.txt THIRD-PARTY-NOTICES.txt README.txt uninstall.exe; do
            [ -f "$target/$f" ] || fail "$language: not installed: $f"
        done
        for link in "${links[@]}"; do
            [ -f "$menu/$folder/$link.lnk" ] || fail "$language: no start-menu entry $link: $(ls -R "$menu" 2>&1 | head -20)"
        done
        wine reg query "$uninstall_key" /v UninstallString >/dev/null 2>&1 || fail "$language: not in the list of programs"
        wine "$target/zoric-cli.exe" --version >"$work/version" 2>&1
        grep -q "^zoric-cli" "$work/version" || fail "$language: the installed zoric-cli.exe: $(cat "$work/version")"
        echo "installed ($language): $(cd "$target" && ls | tr '\n' ' ')"

        # The user's settings, as the tool leaves them.
        wine reg add 'HKCU\Software\ZORIC\ZORIC_Demo\connection' /v port /d COM3 /f >/dev/null 2>&1
        LC_ALL=$locale wine "$target/uninstall.exe" /S
        wineserver -w
        [ -e "$target" ] && fail "$language: left behind: $(ls -R "$target")"
        [ -e "$menu/$folder" ] && fail "$language: start-menu entries left behind: $(ls "$menu/$folder")"
        wine reg query "$uninstall_key" >/dev/null 2>&1 && fail "$language: still in the list of programs"
        wine reg query 'HKCU\Software\ZORIC\ZORIC_Demo\connection' /v port >/dev/null 2>&1 ||
            fail "$language: a silent uninstall took the user's settings"
    done
    wineserver -k
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac
finish

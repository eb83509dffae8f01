#!/usr/bin/env bash
# zoric-demo.exe and the main window under Wine on a display (Xvfb, a 24-bit
# 1366x768 screen: an 8-bit one makes window creation fail), with the
# Windows platform of Qt.
# Usage: demo_under_wine.sh CASE WINDOWS_BUILD HOST_BUILD COM_NUMBER
#   window: zoric-demo.exe starts in the Windows UI language (Chinese and
#           English), on a COM port named by --port that it opens and does not
#           remember; the time to its window; screenshots
#   live:   the main window on a COM port that leads to the Linux simulator,
#           and on sim://: opened, device information read, live values
#           (test_windows_gui.exe, DemoOnAPort)
#   scaling: at 125 % and 150 % every text whole and the window on the
#           screen (DemoOnScreen); screenshots
# Screenshots go to WINDOWS_BUILD/screenshots.
# The prefix gets the user interface font of a Windows of each language:
# Wine has neither Microsoft YaHei UI (Chinese Windows) nor Segoe UI (English
# Windows), and without them Qt's text fell back to a serif font with other
# metrics, drawn off its line in frames and line edits. Here they stand for
# Noto Sans CJK SC and DejaVu Sans (wider than Segoe UI: a text that fits
# here fits there).
set -uo pipefail

case_name=$1
win_build=$2
host_build=$3
com=${4:-20}
demo_exe="$win_build/app/zoric-demo.exe"
cli_exe="$win_build/cli/zoric-cli.exe"
gui_tests="$win_build/tests/windows/test_windows_gui.exe"
host_sim="$host_build/sim/zoric-sim"
shots="$win_build/screenshots"
: "${WINEPREFIX:?the tests run in a prefix of their own}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEQT_QPA_PLATFORM=windows WINEQT_FORCE_STDERR_LOGGING=1
mkdir -p "$shots"

work=$(mktemp -d /tmp/zoric-wine-demo.XXXXXX)
sim_pid=""
xvfb_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    if [ -n "${own_server:-}" ]; then wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; fi
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -f "$WINEPREFIX/dosdevices/com$com"
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
finish() { [ "$failures" -eq 0 ] && echo "PASS: $case_name" && exit 0; exit 1; }

# A display of the case's own; its screen is the file $work/Xvfb_screen0.
start_display() {
    exec 5>"$work/display"
    Xvfb -displayfd 5 -screen 0 1366x768x24 -nolisten tcp -fbdir "$work" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(cat "$work/display")"
    # The shared wineserver's desktop belongs to the display of the program
    # that made it: one made by programs without a display (the earlier
    # cases) shows no window. These cases run alone (RUN_SERIAL): a server
    # of their own, on this display, ended again when the case ends.
    wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
    own_server=1
}
screenshot() { python3 "$(dirname "$0")/xwd2png.py" "$work/Xvfb_screen0" "$shots/$1" && echo "screenshot: $shots/$1"; }

# The Linux simulator on a pty, published to Wine as COM<com>.
start_sim() {
    "$host_sim" "$@" >"$work/sim.out" 2>&1 &
    sim_pid=$!
    for _ in $(seq 50); do [ -s "$work/sim.out" ] && break; sleep 0.1; done
    local pty
    pty=$(head -n 1 "$work/sim.out")
    [ -e "$pty" ] || { echo "no simulator pty"; exit 1; }
    ln -sfn "$pty" "$WINEPREFIX/dosdevices/com$com"
}

# Starts zoric-demo.exe in the locale given and waits for its main window
# with the title given; prints the milliseconds it took.
demo_pid=""
start_demo() {
    local locale=$1 title=$2
    shift 2
    local start
    start=$(date +%s%N)
    LC_ALL=$locale wine "$demo_exe" "$@" >"$work/demo.out" 2>&1 &
    demo_pid=$!
    for _ in $(seq 300); do
        xwininfo -root -tree 2>/dev/null | grep -qF "\"$title\"" && break
        sleep 0.1
    done
    if ! xwininfo -root -tree 2>/dev/null | grep -qF "\"$title\""; then
        fail "no window \"$title\" after 30 s: $(cat "$work/demo.out")"
        return 1
    fi
    echo "main window ($locale) after $(( ($(date +%s%N) - start) / 1000000 )) ms"
    sleep 5  # the first paint, the port opened
}
# Closes it as the user does (its window is asked to close): it saves its settings.
close_demo() {
    wine taskkill /im zoric-demo.exe >/dev/null 2>&1
    for _ in $(seq 100); do kill -0 "$demo_pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$demo_pid" 2>/dev/null; then
        fail "zoric-demo.exe still running 10 s after its window was closed"
        kill "$demo_pid"
    fi
    wait "$demo_pid" 2>/dev/null
}
# The processes but the simulator that have its pty open.
pty_holders() {
    find /proc/[0-9]*/fd -maxdepth 1 -lname "$(head -n 1 "$work/sim.out")" 2>/dev/null |
        cut -d/ -f3 | grep -vx "$sim_pid" | sort -u | tr '\n' ' '
}
remembered_port() {
    wine reg query 'HKCU\Software\ZORIC\ZORIC_Demo\connection' /v port 2>/dev/null | tr -d '\r' |
        awk '$1 == "port" { print $3 }'
}
# The message, menu and caption fonts of a Windows in Chinese (zh) or English
# (en), 9 points, as the host's fonts.
windows_fonts() {
    local family
    [ "$1" = zh ] && family="Microsoft YaHei UI" || family="Segoe UI"
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "Microsoft YaHei UI" /d "Noto Sans CJK SC" /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "Segoe UI" /d "DejaVu Sans" /f >/dev/null 2>&1
    local logfont
    logfont=$(python3 -c 'import struct, sys
print((struct.pack("<5i8B", -12, 0, 0, 0, 400, 0, 0, 0, 1, 0, 0, 0, 0)
       + sys.argv[1].encode("utf-16-le").ljust(64, b"\0")).hex())' "$family")
    local font
    for font in MessageFont MenuFont StatusFont CaptionFont SmCaptionFont IconFont; do
        wine reg add 'HKCU\Control Panel\Desktop\WindowMetrics' /v "$font" /t REG_BINARY /d "$logfont" /f >/dev/null 2>&1
    done
}
set_scaling() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

case "$case_name" in
window)
    start_display
    start_sim
    [ -z "$(pty_holders)" ] || fail "the simulator's pty is open before the tool starts: $(pty_holders)"
    wine reg delete 'HKCU\Software\ZORIC' /f >/dev/null 2>&1
    # Chinese Windows: Chinese windows, on the COM port named.
    windows_fonts zh
    start_demo zh_CN.UTF-8 "ZORIC_Modbus示例程序" --port "COM$com" || finish
    screenshot main-zh.png
    # The port is open: a Wine process holds the simulator's pty. (Windows
    # would refuse a second program the port; Wine lets it in.)
    holders=$(pty_holders)
    [ -n "$holders" ] || fail "zoric-demo.exe did not open COM$com"
    close_demo
    [ -z "$(pty_holders)" ] || fail "COM$com still open after zoric-demo.exe ended: $(pty_holders)"
    [ -z "$(remembered_port)" ] || fail "the port of --port was remembered: $(remembered_port)"
    # English Windows: English windows, on the drive inside the tool.
    windows_fonts en
    start_demo en_US.UTF-8 "ZORIC Modbus Demo" --port sim:// || finish
    screenshot main-en.png
    close_demo
    [ -z "$(remembered_port)" ] || fail "sim:// of --port was remembered: $(remembered_port)"
    ;;
live)
    start_display
    start_sim
    windows_fonts zh
    for port in "COM$com" sim://; do
        ZORIC_TEST_PORT=$port wine "$gui_tests" --gtest_filter='DemoOnAPort.*' >"$work/gui.out" 2>&1
        sed -i 's/\r$//' "$work/gui.out"
        grep -q "^\[  PASSED  \] 1 test" "$work/gui.out" || { fail "the main window on $port:"; cat "$work/gui.out"; }
    done
    ;;
scaling)
    start_display
    for dpi in 120 144; do
        percent=$((dpi * 100 / 96))
        set_scaling "$dpi"
        for language in zh en; do
            windows_fonts "$language"
            ZORIC_TEST_LANGUAGE=$language wine "$gui_tests" --gtest_filter='DemoOnScreen.*' >"$work/gui.out" 2>&1
            sed -i 's/\r$//' "$work/gui.out"
            echo "$language: $(grep "^screen" "$work/gui.out")"
            grep -q "^\[  PASSED  \] 1 test" "$work/gui.out" || { fail "$language at $percent %:"; cat "$work/gui.out"; }
        done
        for lang in zh_CN.UTF-8:ZORIC_Modbus示例程序:zh en_US.UTF-8:"ZORIC Modbus Demo":en; do
            IFS=: read -r locale title short <<<"$lang"
            windows_fonts "$short"
            start_demo "$locale" "$title" --port sim:// || break
            screenshot "main-$short-$percent.png"
            close_demo
        done
    done
    set_scaling 96
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac
finish

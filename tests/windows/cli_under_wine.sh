#!/usr/bin/env bash
# zoric-cli.exe under Wine against the Linux simulator, whose pty is mapped to
# a COM port of the Wine prefix: what it prints and its exit codes must be
# the Linux zoric-cli's (line ends and time stamps apart).
# Usage: cli_under_wine.sh CASE WINDOWS_BUILD HOST_BUILD COM_NUMBER
#   CASE: prefix | reads | writes | config | record | scan | trace | lost | network | listen | simulated
set -uo pipefail

case_name=$1
win_build=$2
host_build=$3
com=${4:-5}
cli_exe="$win_build/cli/zoric-cli.exe"
sim_exe="$win_build/sim/zoric-sim.exe"
host_cli="$host_build/cli/zoric-cli"
host_sim="$host_build/sim/zoric-sim"
: "${WINEPREFIX:?the tests run in a prefix of their own}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

work=$(mktemp -d /tmp/zoric-wine-test.XXXXXX)
sim_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -f "$WINEPREFIX/dosdevices/com$com"
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
finish() { [ "$failures" -eq 0 ] && echo "PASS: $case_name" && exit 0; exit 1; }

# The Linux simulator on a pty, published to Wine as COM<com>.
start_sim() {
    "$host_sim" "$@" >"$work/sim.out" 2>&1 &
    sim_pid=$!
    for _ in $(seq 50); do [ -s "$work/sim.out" ] && break; sleep 0.1; done
    pty=$(head -n 1 "$work/sim.out")
    [ -e "$pty" ] || { echo "no simulator pty"; exit 1; }
    ln -sfn "$pty" "$WINEPREFIX/dosdevices/com$com"
}

# Runs zoric-cli.exe on COM<com> (or on WIN_PORT); stdout, stderr and the
# exit code in $work/win.*
win() {
    wine "$cli_exe" --lang en --port "${WIN_PORT:-COM$com}" "$@" >"$work/win.out" 2>"$work/win.err"
    echo $? >"$work/win.rc"
    sed -i 's/\r$//' "$work/win.out" "$work/win.err"
}
# The same with the Linux zoric-cli on the pty itself (or on LIN_PORT).
lin() {
    "$host_cli" --lang en --port "${LIN_PORT:-$pty}" "$@" >"$work/lin.out" 2>"$work/lin.err"
    echo $? >"$work/lin.rc"
}
# Times of day and round trips differ from run to run; scan's progress
# lines differ in nothing but are not the point.
trace_times() { sed -E 's/^trace [0-9:.]+/trace/; s/ [0-9.]+ ms$//'; }
no_progress() { grep -v '^scan:'; }

# Both, then their outputs and exit codes compared (after the function named
# by FILTER, if given).
same() {
    local filter=${FILTER:-cat}
    win "$@"
    lin "$@"
    if ! diff <($filter <"$work/lin.out") <($filter <"$work/win.out") >"$work/diff"; then
        fail "zoric-cli $* prints otherwise on Windows:"; cat "$work/diff"
    fi
    if ! diff <($filter <"$work/lin.err") <($filter <"$work/win.err") >"$work/diff"; then
        fail "zoric-cli $* reports otherwise on Windows:"; cat "$work/diff"
    fi
    [ "$(cat "$work/lin.rc")" = "$(cat "$work/win.rc")" ] ||
        fail "zoric-cli $*: exit $(cat "$work/win.rc") on Windows, $(cat "$work/lin.rc") on Linux"
}
expect_rc() {
    [ "$(cat "$work/win.rc")" = "$1" ] || fail "$2: exit $(cat "$work/win.rc"), expected $1; $(cat "$work/win.err")"
}

case "$case_name" in
prefix)
    # The fixture: a fresh prefix and a wineserver kept running for the tests.
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || { echo "wineboot failed"; exit 1; }
    wineserver -p 2>/dev/null
    wine "$cli_exe" --version | grep -q "zoric-cli" || { echo "zoric-cli.exe does not start"; exit 1; }
    echo "PASS: prefix $WINEPREFIX"
    exit 0
    ;;
reads)
    start_sim
    same info
    same status
    same read 0 16
    same read 100 2 --type u32
    same ident
    same sdo read 0x1018 1
    same sdo read 0x1400 1
    same read 70000
    same sdo read 0x1234 0
    ;;
writes)
    start_sim
    win write 186 1234
    expect_rc 0 "write 186 1234"
    lin read 186
    grep -q "1234" "$work/lin.out" || fail "the value written under Windows does not read back: $(cat "$work/lin.out")"
    win write 200 1.5 --type float
    lin read 200 --type float
    grep -q "1.5" "$work/lin.out" || fail "a float written under Windows reads back as $(cat "$work/lin.out")"
    win sdo write 0x1006 0 4 1000
    lin sdo read 0x1006 0
    grep -q "1000" "$work/lin.out" || fail "an SDO download under Windows reads back as $(cat "$work/lin.out")"
    same write 7 1
    ;;
config)
    start_sim
    win backup "$work/配置 一.json"
    expect_rc 0 "backup to a Chinese file name"
    [ -s "$work/配置 一.json" ] || fail "no file under its Chinese name"
    same diff "$work/配置 一.json"
    lin write 186 4321
    win diff "$work/配置 一.json"
    expect_rc 7 "diff after a change"
    win restore "$work/配置 一.json" --yes
    expect_rc 0 "restore"
    lin diff "$work/配置 一.json"
    [ "$(cat "$work/lin.rc")" = 0 ] || fail "the drive differs from the file after a restore under Windows"
    # A second backup over the first replaces it whole.
    win backup "$work/配置 一.json"
    expect_rc 0 "backup over an existing file"
    printf '{"format": 99}' >"$work/bad.json"
    same restore "$work/bad.json" --yes
    ;;
record)
    start_sim
    win record "$work/win.csv" --interval 100 --duration 1 --channels speed_rpm,supply_v
    expect_rc 0 "record"
    lin record "$work/lin.csv" --interval 100 --duration 1 --channels speed_rpm,supply_v
    [ "$(head -n 1 "$work/win.csv")" = "$(head -n 1 "$work/lin.csv")" ] || fail "another CSV header"
    rows=$(($(wc -l <"$work/win.csv") - 1))
    [ "$rows" -ge 8 ] && [ "$rows" -le 11 ] || fail "$rows rows in 1 s at 100 ms"
    cut -d, -f3- "$work/win.csv" | tail -n +2 | sort -u | grep -qx "0,24.0," || fail "the values: $(sed -n 2p "$work/win.csv")"
    # Ctrl-C (Wine hands SIGINT to the console's handler) ends a recording
    # as on Linux: the summary, exit 0, the file whole.
    wine "$cli_exe" --port "COM$com" record "$work/int.csv" --interval 50 >/dev/null 2>"$work/win.err" &
    cli=$!
    for _ in $(seq 100); do [ -f "$work/int.csv" ] && [ "$(wc -l <"$work/int.csv")" -ge 3 ] && break; sleep 0.1; done
    kill -INT "$cli"
    wait "$cli"
    rc=$?
    [ "$rc" = 0 ] || fail "exit $rc after Ctrl-C, expected 0: $(cat "$work/win.err")"
    grep -q "^record: [0-9]* rows" "$work/win.err" || fail "no summary after Ctrl-C: $(cat "$work/win.err")"
    tail -c 1 "$work/int.csv" | od -An -c | grep -q '\n' || fail "the last row is cut short"
    ;;
scan)
    start_sim --slave 1,3
    same scan --slaves 1-4
    FILTER=no_progress same scan --slaves 5-6
    ;;
trace)
    start_sim
    FILTER=trace_times same --trace read 0 4
    grep -qx "trace TX s1 01 03 00 00 00 04 44 09 | read 0..3 (4)" <(trace_times <"$work/win.err") ||
        fail "no request line in the trace: $(cat "$work/win.err")"
    FILTER=trace_times same --trace sdo read 0x1018 1
    ;;
lost)
    start_sim
    wine "$cli_exe" --lang en --port "COM$com" record "$work/lost.csv" --interval 50 >"$work/win.out" 2>"$work/win.err" &
    cli=$!
    for _ in $(seq 100); do [ -f "$work/lost.csv" ] && [ "$(wc -l <"$work/lost.csv")" -ge 3 ] && break; sleep 0.1; done
    kill "$sim_pid"
    wait "$sim_pid" 2>/dev/null
    sim_pid=""
    killed=$(date +%s%N)
    # The line is lost: the recording ends at once, exit 9, the file complete.
    for _ in $(seq 50); do kill -0 "$cli" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$cli" 2>/dev/null; then
        fail "still running 5 s after the line was pulled"
        kill "$cli"
    fi
    wait "$cli"
    rc=$?
    echo "ended $(( ($(date +%s%N) - killed) / 1000000 )) ms after the pull"
    [ "$rc" = 9 ] || fail "exit $rc after a pulled line, expected 9: $(cat "$work/win.err")"
    tail -n 1 "$work/lost.csv" | grep -q "Serial port not open" || fail "the file's last row: $(tail -n 1 "$work/lost.csv")"
    ;;
network)
    # Modbus TCP and RTU over TCP through Winsock, against the simulator's
    # network ends.
    start_sim --listen tcp://127.0.0.1:0 --listen rtu+tcp://127.0.0.1:0
    for _ in $(seq 50); do [ "$(wc -l <"$work/sim.out")" -ge 3 ] && break; sleep 0.1; done
    for url in $(grep "tcp://" "$work/sim.out"); do
        export WIN_PORT=$url LIN_PORT=$url
        same info
        same read 32 27
        same sdo read 0x1018 1
        FILTER=trace_times same --trace read 0 2
    done
    # Nothing listens: refused, as on Linux.
    free=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    WIN_PORT=tcp://127.0.0.1:$free LIN_PORT=tcp://127.0.0.1:$free same info
    grep -q "connection refused" "$work/win.err" || fail "a refused connect reads: $(cat "$work/win.err")"
    WIN_PORT=tcp://no-such-host.invalid LIN_PORT=tcp://no-such-host.invalid same info
    # The far end goes away during a recording: the line is lost, exit 9.
    url=$(grep "^tcp://" "$work/sim.out")
    wine "$cli_exe" --lang en --port "$url" record "$work/net.csv" --interval 50 >"$work/win.out" 2>"$work/win.err" &
    cli=$!
    for _ in $(seq 100); do [ -f "$work/net.csv" ] && [ "$(wc -l <"$work/net.csv")" -ge 3 ] && break; sleep 0.1; done
    kill "$sim_pid"
    wait "$sim_pid" 2>/dev/null
    sim_pid=""
    for _ in $(seq 50); do kill -0 "$cli" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$cli" 2>/dev/null && { fail "still recording 5 s after the far end closed"; kill "$cli"; }
    wait "$cli"
    rc=$?
    [ "$rc" = 9 ] || fail "exit $rc when the far end closed, expected 9: $(cat "$work/win.err")"
    ;;
listen)
    # Another master and its drive on the line: a pty whose far end plays
    # both, and zoric-cli.exe listening on the near end, sending nothing.
    python3 - "$work" <<'PY' &
import os, pty, sys, time
master, slave = pty.openpty()
open(sys.argv[1] + "/pty", "w").write(os.ttyname(slave))
request = bytes.fromhex("010300000001840A")
answer = bytes.fromhex("0103022408A282")
os.set_blocking(master, False)
deadline = time.time() + 12
while time.time() < deadline:
    os.write(master, request)
    time.sleep(0.05)
    os.write(master, answer)
    time.sleep(0.25)
    try:
        while os.read(master, 256):
            pass
    except BlockingIOError:
        pass
PY
    talker=$!
    for _ in $(seq 50); do [ -s "$work/pty" ] && break; sleep 0.1; done
    ln -sfn "$(cat "$work/pty")" "$WINEPREFIX/dosdevices/com$com"
    win listen --duration 2
    kill "$talker" 2>/dev/null
    expect_rc 0 "listen"
    grep -Eq "^[0-9:.]+ MA s1 01 03 00 00 00 01 84 0A \| read 0 \(1\)$" "$work/win.out" ||
        fail "the master's request was not heard: $(cat "$work/win.out")"
    grep -Eq "^[0-9:.]+ SL s1 01 03 02 24 08 A2 82 \| 1 registers \| ok" "$work/win.out" ||
        fail "the drive's answer was not heard: $(cat "$work/win.out")"
    grep -q "slave 1: requests" "$work/win.err" || fail "no counts at the end: $(cat "$work/win.err")"
    ;;
sim_exe)
    # zoric-sim.exe as the network end, reached by the Linux zoric-cli and by
    # mbpoll: its own slave code proves ours on Windows and the other way round.
    free=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    wine "$sim_exe" --slave 1,3 --listen "tcp://127.0.0.1:$free" --listen "rtu+tcp://127.0.0.1:0" >"$work/sim.out" 2>&1 &
    sim_pid=$!
    for _ in $(seq 100); do [ "$(wc -l <"$work/sim.out")" -ge 2 ] && break; sleep 0.1; done
    sed -i 's/\r$//' "$work/sim.out"
    for url in $(grep "tcp://" "$work/sim.out"); do
        "$host_cli" --lang en --port "$url" info >"$work/lin.out" 2>&1 || fail "zoric-cli info over $url: $(cat "$work/lin.out")"
        grep -q "^Device ID: 0x2408$" "$work/lin.out" || fail "info over $url: $(cat "$work/lin.out")"
        "$host_cli" --port "$url" --slave 3 write 186 303 >/dev/null 2>&1 || fail "write to drive 3 over $url"
    done
    "$host_cli" --port "tcp://127.0.0.1:$free" --slave 3 read 186 | grep -q "303" || fail "drive 3 lost its value"
    mbpoll -m tcp -p "$free" -a 1 -r 1 -c 16 -1 127.0.0.1 >"$work/mbpoll.out" 2>&1 || fail "mbpoll: $(cat "$work/mbpoll.out")"
    grep -Eq "^\[1\]:[[:space:]]+9224$" "$work/mbpoll.out" || fail "mbpoll read: $(cat "$work/mbpoll.out")"
    ;;
simulated)
    # The drive inside the tool: no outside program at all.
    export WIN_PORT="sim://?slaves=1,3" LIN_PORT="sim://?slaves=1,3"
    same info
    same read 0 16
    same sdo read 0x1018 1
    same scan --slaves 1-4 --bauds all
    win write 186 77
    expect_rc 0 "write to the drive inside the tool"
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac
finish

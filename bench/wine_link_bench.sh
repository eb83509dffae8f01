#!/usr/bin/env bash
# Figures of the Windows link under Wine beside the Linux one (for
# information: Wine's serial and socket layers are not Windows'):
# reads of the 27 live-status registers per second (zoric-cli record
# --interval 0 for 5 s) against the simulator on a pty mapped to COM9 and
# over loopback Modbus TCP, and the CPU an open, idle port costs the tool
# (idle_port_bench.exe on a silent line for 10 s).
# Usage: bench/wine_link_bench.sh [WINDOWS_BUILD] [HOST_BUILD]
set -euo pipefail
cd "$(dirname "$0")/.."
win_build=${1:-build/windows}
host_build=${2:-build/main}
export WINEPREFIX=${WINEPREFIX:-$PWD/$win_build/wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1
wineserver -p 2>/dev/null || true  # already running is fine

work=$(mktemp -d)
sim_pid=""
trap '[ -n "$sim_pid" ] && kill $sim_pid 2>/dev/null; rm -f "$WINEPREFIX/dosdevices/com9"; rm -rf "$work"' EXIT
"$host_build/sim/zoric-sim" --listen tcp://127.0.0.1:0 >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do [ "$(wc -l <"$work/sim.out")" -ge 2 ] && break; sleep 0.1; done
pty=$(head -n 1 "$work/sim.out")
url=$(grep "^tcp://" "$work/sim.out")
ln -sfn "$pty" "$WINEPREFIX/dosdevices/com9"

record() {
    "$@" record "$work/r.csv" --interval 0 --duration 5 2>"$work/r.err" >/dev/null
    grep -o "[0-9.]* rows/s" "$work/r.err"
}
echo "reads of 27 registers per second (record --interval 0, 5 s):"
echo "  pty     Linux:   $(record "$host_build/cli/zoric-cli" --port "$pty")"
echo "  COM9    Windows: $(record wine "$win_build/cli/zoric-cli.exe" --port COM9)"
echo "  tcp     Linux:   $(record "$host_build/cli/zoric-cli" --port "$url")"
echo "  tcp     Windows: $(record wine "$win_build/cli/zoric-cli.exe" --port "$url")"

kill "$sim_pid"
wait "$sim_pid" 2>/dev/null || true
sim_pid=""
# A silent line: a pty whose far end only holds it open.
python3 -c 'import os, pty, time; m, s = pty.openpty(); print(os.ttyname(s), flush=True); time.sleep(30)' >"$work/pty" &
holder=$!
for _ in $(seq 50); do [ -s "$work/pty" ] && break; sleep 0.1; done
ln -sfn "$(cat "$work/pty")" "$WINEPREFIX/dosdevices/com9"
wine "$win_build/bench/idle_port_bench.exe" COM9 10
kill "$holder" 2>/dev/null || true

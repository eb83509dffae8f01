#!/usr/bin/python3
"""Reads per second of drive.read_registers(32, 27) from Python beside
zoric-cli's `record --interval 0` (the same 27 registers a read) on the same
line: zoric-sim on a pseudo-terminal, paced at 115200 baud. The two take
turns, a few rounds each, so that a busy machine weighs on both alike; prints
each round and the medians.

Usage: bench/python/read_rate.py [BUILD_DIR] [SECONDS] [ROUNDS]   (build/main, 3, 3)
"""

import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/main")
seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 3.0
rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 3
sys.path.insert(0, os.path.join(build, "python"))
import zoric  # noqa: E402  (from the build tree)

BAUD = 115200


def cli_rate(work):
    record = subprocess.run([os.path.join(build, "cli", "zoric-cli"), "--port", "COM1", "--baud", str(BAUD), "--json",
                             "record", os.path.join(work, "status.csv"), "--interval", "0", "--duration",
                             str(seconds)], capture_output=True, text=True, check=True)
    return json.loads(record.stdout)["rows_per_second"]


def python_rate():
    with zoric.open("COM1", baud=BAUD) as drive:
        drive.read_registers(32, 27)  # the first exchange settles the line
        reads = 0
        begin = time.monotonic()
        while time.monotonic() - begin < seconds:
            drive.read_registers(32, 27)
            reads += 1
        return reads / (time.monotonic() - begin)


with tempfile.TemporaryDirectory(prefix="zoric-bench.") as work:
    os.environ["ZORIC_COM_DIR"] = work
    sim = subprocess.Popen([os.path.join(build, "sim", "zoric-sim"), "--port", "COM1", "--baud", str(BAUD),
                            "--pacing"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    try:
        sim.stdout.readline()  # the pty: ready
        print(f"line: zoric-sim on a pty paced at {BAUD} baud; {rounds} rounds of {seconds:g} s each")
        cli, python = [], []
        for round_ in range(rounds):
            cli.append(cli_rate(work))
            python.append(python_rate())
            print(f"round {round_ + 1}: zoric-cli {cli[-1]:7.1f} reads/s, Python {python[-1]:7.1f} reads/s")
    finally:
        sim.terminate()
        sim.wait()

print(f"zoric-cli record --interval 0 (median):       {statistics.median(cli):7.1f} reads/s")
print(f"Python drive.read_registers(32, 27) (median): {statistics.median(python):7.1f} reads/s")
print(f"ratio Python / zoric-cli:                     {statistics.median(python) / statistics.median(cli):7.3f}")

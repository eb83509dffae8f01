"""Fixtures of the module's tests: a simulated drive on a pty published as a
COM name, reachable over Modbus TCP and RTU over TCP too."""

import os
import subprocess
import tempfile

import pytest

SIM = os.environ.get("ZORIC_SIM", "zoric-sim")
CLI = os.environ.get("ZORIC_CLI", "zoric-cli")


class Simulator:
    """zoric-sim as a child process; ports: the COM name, tcp:// and rtu+tcp://."""

    def __init__(self, com_dir, *options):
        self.com = "COM7"
        env = dict(os.environ, ZORIC_COM_DIR=com_dir)
        self.process = subprocess.Popen(
            [SIM, "--port", self.com, "--listen", "tcp://127.0.0.1:0", "--listen", "rtu+tcp://127.0.0.1:0",
             "--time-scale", "0.05", *options],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, env=env)
        # Ready once both listeners have printed their address.
        self.tcp = self.rtu_tcp = None
        while self.tcp is None or self.rtu_tcp is None:
            line = self.process.stdout.readline()
            if not line:
                raise RuntimeError("zoric-sim ended before it was ready")
            if line.startswith("tcp://"):
                self.tcp = line.strip()
            elif line.startswith("rtu+tcp://"):
                self.rtu_tcp = line.strip()

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(timeout=10)
        self.process.stdout.close()


@pytest.fixture
def com_dir(monkeypatch):
    with tempfile.TemporaryDirectory(prefix="zoric-com-py.") as path:
        monkeypatch.setenv("ZORIC_COM_DIR", path)
        yield path


@pytest.fixture
def start_sim(com_dir):
    """Starts a simulator with the given options; all stopped at the end."""
    started = []

    def start(*options):
        sim = Simulator(com_dir, *options)
        started.append(sim)
        return sim

    yield start
    for sim in started:
        sim.stop()


@pytest.fixture
def sim(start_sim):
    return start_sim()


@pytest.fixture
def drive(sim):
    import zoric
    with zoric.open(sim.com, timeout=0.5) as d:
        yield d


def cli(*args, check=True):
    """zoric-cli's stdout (text); its exit code must be 0 unless check=False."""
    done = subprocess.run([CLI, *args], capture_output=True, text=True, timeout=60)
    if check:
        assert done.returncode == 0, done.stderr
    return done.stdout

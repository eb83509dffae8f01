"""zoric.Drive against the simulator: opening, the live status, settings by
key, registers, the SDO tunnel and the errors."""

import json
import threading
import time

import pytest
import zoric
from conftest import cli


def test_open_with_and_close_on_every_kind_of_port(sim):
    for port in (sim.com, sim.tcp, sim.rtu_tcp, "sim://"):
        with zoric.open(port) as drive:
            assert drive.is_open and drive.port == port
            assert drive.status()["supply_v"] == 24.0
        assert not drive.is_open
        with pytest.raises(zoric.Error, match="closed"):
            drive.status()
        drive.close()  # twice is harmless
    # Closed by with, the port is free for the next master.
    drive = zoric.open(sim.com, slave=1, baud=9600, parity="n,8,2", timeout=0.5)
    assert "slave 1" in repr(drive)
    drive.close()
    assert "closed" in repr(drive)


@pytest.mark.parametrize("settings", [
    {"parity": "n,8,1x"}, {"parity": "e,7,1"}, {"parity": ""}, {"baud": 0}, {"baud": -9600},
    {"slave": 0}, {"slave": 248}, {"timeout": 0}, {"timeout": float("nan")},
])
def test_bad_line_settings_raise_value_error(sim, settings):
    with pytest.raises(ValueError):
        zoric.open(sim.com, **settings)


def test_the_four_line_settings_open(start_sim):
    for index, parity in enumerate(("n,8,2", "o,8,1", "e,8,1", "n,8,1")):
        sim = start_sim("--baud", "19200", "--parity", str(index))
        with zoric.open(sim.com, baud=19200, parity=parity, timeout=0.5) as drive:
            assert drive.status()["temperature_c"] == 25.0
        sim.stop()


def test_a_port_that_is_not_there_raises_error(com_dir):
    with pytest.raises(zoric.Error, match="COM9"):
        zoric.open("COM9")


def test_status_is_zoric_cli_json_status(sim):
    document = json.loads(cli("--port", sim.tcp, "--json", "status"))["status"]
    with zoric.open(sim.com) as drive:
        values = drive.status()
        full = drive.status(full=True)
    assert list(values) == list(document)
    assert values == {key: channel["value"] for key, channel in document.items()}
    assert full == document


def test_info_is_the_device_information(drive):
    info = drive.info()
    assert info["identifier"] == "0x2408" and info["version"] == "2.03"
    assert info["max_current"] == {"value": 15.0, "raw": 1500, "unit": "A"}


RAMP_ACCELERATION = 82  # its register: the raw value, 0.1 Hz/s


def test_settings_by_key_are_scaled_written_and_read_back(drive):
    assert drive.read("ramp.acceleration") == 500.0
    assert drive.read("ramp.acceleration", full=True) == {"raw": 5000, "value": 500.0, "unit": "Hz/s",
                                                          "text": "500.0 Hz/s"}
    drive.write("ramp.acceleration", 123.4)
    assert drive.read_registers(RAMP_ACCELERATION, 1) == [1234]
    assert drive.read("ramp.acceleration") == 123.4

    drive.write("pid.speed_kp", 2.5)
    assert drive.read("pid.speed_kp") == 2.5
    drive.write("pid.speed_kp", "1.75")
    assert drive.read("pid.speed_kp") == 1.75


def test_rejected_values_leave_the_drive_as_it_was(drive):
    before = drive.read("ramp.acceleration", full=True)
    for value in (-1, 1e9, "fast", float("inf")):
        with pytest.raises(ValueError):
            drive.write("ramp.acceleration", value)
    with pytest.raises(TypeError):
        drive.write("ramp.acceleration", [1])
    with pytest.raises(KeyError):
        drive.read("ramp.no_such_setting")
    # The link settings change how the drive is reached: not one by one.
    with pytest.raises(ValueError):
        drive.write("comm.slave_address", 2)
    assert drive.read("ramp.acceleration", full=True) == before


def test_registers_read_and_written(drive):
    status = drive.read_registers(32, 27)
    assert len(status) == 27 and all(0 <= word <= 0xFFFF for word in status)
    drive.write_registers(RAMP_ACCELERATION, [4000])
    assert drive.read("ramp.acceleration") == 400.0
    deceleration = drive.read_registers(RAMP_ACCELERATION + 1, 1)
    drive.write_registers(RAMP_ACCELERATION, [4100, *deceleration])
    assert drive.read_registers(RAMP_ACCELERATION, 2) == [4100, *deceleration]
    for start, count in ((0, 0), (0, 126), (-1, 1), (65535, 2)):
        with pytest.raises(ValueError):
            drive.read_registers(start, count)
    for start, values in ((0, []), (0, [65536]), (0, [-32769]), (65535, [1, 2])):
        with pytest.raises(ValueError):
            drive.write_registers(start, values)


def test_sdo_read_and_write(drive):
    assert drive.sdo_read(0x1000, 0) == 0
    # The RPDO's COB-ID, written and uploaded again.
    cob = drive.sdo_read(0x1400, 1)
    drive.sdo_write(0x1400, 1, cob | 0x80000000, 4)
    assert drive.sdo_read(0x1400, 1) == cob | 0x80000000
    with pytest.raises(zoric.SdoAbort) as aborted:
        drive.sdo_read(0x7777, 0)
    assert aborted.value.code == 0x06020000 and "0x06020000" in aborted.value.text
    for arguments in ((0x10000, 0, 1, 1), (0x1400, 256, 1, 1), (0x1400, 1, 1, 5), (0x1400, 1, 256, 1)):
        with pytest.raises(ValueError):
            drive.sdo_write(*arguments)


def test_errors_by_kind(sim):
    with zoric.open(sim.com, timeout=0.3) as drive:
        with pytest.raises(zoric.ModbusError) as refused:
            drive.read_registers(60000, 2)
        assert refused.value.code == 2 and refused.value.text
        assert isinstance(refused.value, zoric.Error)

        drive.slave = 5  # nobody there
        with pytest.raises(zoric.Timeout) as silent:
            drive.read_registers(0, 1)
        assert silent.value.code == 130
        drive.slave = 1
        assert drive.read_registers(0, 1)

    with zoric.open(sim.tcp, timeout=0.3) as drive:
        sim.stop()
        with pytest.raises(zoric.PortLost):
            for _ in range(3):  # the first may only see the far end go
                drive.status()


def test_a_waiting_exchange_lets_other_threads_run(sim):
    with zoric.open(sim.com, slave=5, timeout=1.0) as drive:
        failures = []
        waiting = threading.Thread(target=lambda: failures.append(pytest.raises(zoric.Timeout, drive.status)))
        waiting.start()
        ticks = 0
        begin = time.monotonic()
        while waiting.is_alive():
            ticks += 1
        waiting.join()
    assert time.monotonic() - begin > 0.8
    assert ticks > 10000, "the exchange held the GIL"
    assert failures


def test_threads_share_a_drive_and_close_stops_them(sim):
    drive = zoric.open(sim.com, timeout=0.5)
    results = {"status": 0, "registers": 0}
    errors = []
    stop = threading.Event()

    def poll(name, call):
        while not stop.is_set():
            try:
                call()
                results[name] += 1
            except (zoric.Error, AssertionError) as error:
                errors.append(error)
                return

    def status():
        assert drive.status()["supply_v"] == 24.0

    def registers():
        assert drive.read_registers(32, 1) == [0]  # the PWM output, motor stopped

    threads = [threading.Thread(target=poll, args=("status", status)),
               threading.Thread(target=poll, args=("registers", registers))]
    for thread in threads:
        thread.start()
    time.sleep(0.5)
    # Answers never cross: every exchange of both threads was a good one.
    assert not errors and results["status"] > 3 and results["registers"] > 3
    drive.close()
    for thread in threads:
        thread.join(timeout=5)
        assert not thread.is_alive()
    stop.set()
    # Each thread ended on a zoric.Error of the closed port, none crashed.
    assert len(errors) == 2 and all(isinstance(error, zoric.Error) for error in errors)

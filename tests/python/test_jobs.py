"""The long jobs of zoric.Drive against the simulator: configuration files,
the procedures with their progress and cancel, recording and the scan."""

import csv
import json
import os
import signal
import threading

import pytest
import zoric
from conftest import cli

RUN = 225  # the procedure block's run word: 0 once stopped


def test_backup_diff_and_restore_report_as_zoric_cli(sim, tmp_path):
    saved = str(tmp_path / "drive.json")
    with zoric.open(sim.com) as drive:
        report = drive.backup(saved)
        assert report == {"slave": 1, "file": saved, "settings": report["settings"]}
        assert report["settings"] > 100
        assert drive.diff(saved)["equal"] is True

        drive.write("pid.speed_kp", 3.5)
        drive.write("ramp.acceleration", 250.0)
        diff = drive.diff(saved)
    # The same documents as zoric-cli's, the drive now on the Modbus TCP side.
    assert diff == json.loads(cli("--port", sim.tcp, "--json", "diff", saved, check=False))
    assert not diff["equal"]
    assert {d["key"]: (d["first"]["text"], d["second"]["text"]) for d in diff["differences"]} == {
        "pid.speed_kp": ("3.5", "1.2"), "ramp.acceleration": ("250.0 Hz/s", "500.0 Hz/s")}

    with zoric.open(sim.com) as drive:
        planned = drive.restore(saved, groups=["pid"], dry_run=True)
        assert planned["load"] is None
        assert drive.read("pid.speed_kp") == 3.5
        report = drive.restore(saved, groups=["pid"])
        assert drive.read("pid.speed_kp") == 1.2
        assert drive.read("ramp.acceleration") == 250.0  # not among the groups
        with pytest.raises(ValueError, match="no group"):
            drive.restore(saved, groups=["pid", "nonsense"])
        with pytest.raises(zoric.Error, match="missing.json"):
            drive.restore(str(tmp_path / "missing.json"))
    assert report["slave"] == 1 and report["file"] == saved
    assert set(report) == {"slave", "file", "plan", "load", "stored"}
    steps = report["load"]["steps"]
    assert [s["step"] for s in steps if s["status"] != "skipped"] == ["pid"]


def test_a_refused_restore_raises_with_zoric_cli_report(drive, sim, tmp_path):
    saved = tmp_path / "drive.json"
    drive.backup(str(saved))
    # Speeds counted in the other unit, and the motor group not loaded with them.
    document = json.loads(saved.read_text())
    document["groups"]["motor"]["motor.speed_range_x10"]["raw"] = 1
    document["groups"]["ramp"]["ramp.acceleration"]["raw"] = 100
    saved.write_text(json.dumps(document))
    with pytest.raises(zoric.Error) as refused:
        drive.restore(str(saved), groups=["ramp"])
    assert refused.value.report["error"]["refusal"] == "speed_range_differs"
    assert drive.read("ramp.acceleration") == 500.0
    drive.close()
    assert refused.value.report == json.loads(
        cli("--port", sim.com, "--json", "restore", str(saved), "--groups", "ramp", "--yes", check=False))


def test_procedures_tell_their_progress_and_their_outcome(drive):
    told = []
    learned = drive.learn(lambda seconds, step: told.append((seconds, step)))
    assert learned["procedure"] == "learn" and learned["outcome"] == "done"
    assert learned["phase_sequence"] == [1, 5, 4, 6, 2, 3]
    assert told and told[0][0] >= 0

    told.clear()
    calibrated = drive.calibrate(lambda seconds, step: told.append((seconds, step)))
    assert calibrated["outcome"] == "done" and "phase_offset" in calibrated
    seconds = [s for s, _ in told]
    assert seconds == sorted(seconds) and len(told) >= 2
    assert any(step is not None for _, step in told)
    assert drive.calibrate() == calibrated  # without a callback


def test_a_raising_callback_stops_the_procedure_in_the_drive(drive):
    class Enough(Exception):
        pass

    def progress(seconds, step):
        if seconds > 0.2:
            raise Enough()

    with pytest.raises(Enough):
        drive.calibrate(progress)
    assert drive.read_registers(RUN, 1) == [0]
    assert drive.calibrate()["outcome"] == "done"  # the drive is ready again


def test_ctrl_c_stops_the_procedure_in_the_drive(drive):
    timer = threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT))
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            drive.calibrate()
    finally:
        timer.cancel()
    assert drive.read_registers(RUN, 1) == [0]


def test_a_failed_procedure_raises_with_its_document(start_sim):
    sim = start_sim("--learning-fails")
    with zoric.open(sim.com) as drive:
        with pytest.raises(zoric.Error) as failed:
            drive.learn()
    assert failed.value.report["procedure"] == "learn"
    assert failed.value.report["outcome"] != "done"


def test_record_writes_the_csv_zoric_cli_writes(drive, tmp_path):
    path = tmp_path / "status.csv"
    summary = drive.record(str(path), interval=0.05, duration=0.5)
    with open(path, newline="") as file:
        rows = list(csv.DictReader(file))
    assert summary["file"] == str(path) and summary["rows"] == len(rows) >= 5
    assert summary["failed_reads"] == 0
    assert set(drive.status()) <= set(rows[0])
    assert float(rows[-1]["supply_v"]) == 24.0

    chosen = tmp_path / "two.csv"
    drive.record(str(chosen), interval=0, duration=0.2, channels=["speed_rpm", "supply_v"])
    header = chosen.read_text().splitlines()[0].split(",")
    assert "speed_rpm" in header and "supply_v" in header and "temperature_c" not in header
    with pytest.raises(ValueError):
        drive.record(str(chosen), channels=["no_such_channel"])
    with pytest.raises(ValueError):
        drive.record(str(chosen), interval=-1)
    with pytest.raises(zoric.Error):
        drive.record(str(tmp_path / "no" / "dir.csv"), duration=0.1)


def test_samples_iterate_the_live_status(drive):
    samples = list(drive.samples(interval=0.02, count=4))
    assert len(samples) == 4
    assert [s["result"] for s in samples] == [None] * 4
    assert samples[-1]["seconds"] >= 0.06
    assert samples[0]["supply_v"] == 24.0 and samples[0]["time"]
    drive.slave = 5  # nobody there: a sample that failed, not an exception
    failed = next(iter(drive.samples(count=1)))
    assert failed["result"] and failed["supply_v"] is None


def test_scan_finds_the_drives_on_the_line(start_sim):
    sim = start_sim("--slave", "1,3", "--baud", "19200")
    found = zoric.scan(sim.com, slaves=[1, 2, 3, 4], bauds=[9600, 19200], timeout=0.1)
    assert [(d["slave"], d["baud"], d["parity"]) for d in found] == [(1, 19200, "n,8,2"), (3, 19200, "n,8,2")]
    assert found[0]["identifier"] == "0x2408"
    with pytest.raises(ValueError):
        zoric.scan(sim.com, slaves=[0])
    with pytest.raises(ValueError):
        zoric.scan(sim.com, parities=["x"])
    with zoric.open(sim.com, baud=19200):
        with pytest.raises(zoric.Error, match="in use"):
            zoric.scan(sim.com, slaves=[1])

"""The README's example script, taken from README.md as it stands, run
against the simulator."""

import json
import os
import re
import subprocess
import sys

import zoric

README = os.path.join(os.environ.get("ZORIC_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", "..")),
                      "README.md")


def example():
    with open(README, encoding="utf-8") as file:
        blocks = re.findall(r"^```python\n(.*?)^```", file.read(), re.S | re.M)
    assert len(blocks) == 1, "README.md has one Python example"
    return blocks[0]


def test_the_readme_example_runs(sim, tmp_path):
    script = tmp_path / "example.py"
    script.write_text(example())
    done = subprocess.run([sys.executable, str(script), sim.com], cwd=tmp_path, capture_output=True, text=True,
                          timeout=60)
    assert done.returncode == 0, done.stderr
    assert done.stdout.splitlines()[0] == "0 rpm, 24.0 V, 25.0 degC"
    assert "settings saved to drive.json" in done.stdout
    saved = json.loads((tmp_path / "drive.json").read_text())
    assert saved["groups"]["pid"]["pid.speed_kp"]["raw"] == 0.8
    with zoric.open(sim.com) as drive:
        assert drive.read("pid.speed_kp") == 0.8
        assert drive.diff(str(tmp_path / "drive.json"))["equal"]

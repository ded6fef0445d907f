"""What every test of the Python module shares: the pictures, and brenlow-cli run as a user runs it."""

import json
import os
import subprocess
from pathlib import Path

import pytest

TEST_DATA = Path(os.environ.get("BRENLOW_TEST_DATA", Path(__file__).parents[1] / "data"))
SAMPLES = Path(os.environ.get("BRENLOW_SAMPLES", Path(__file__).parents[2] / "samples"))


@pytest.fixture(scope="session")
def pictures():
    """Three real photographs: (name, path)."""
    return {
        "coffee": TEST_DATA / "coffee.bmp",
        "chelsea": TEST_DATA / "chelsea.bmp",
        "astronaut": SAMPLES / "astronaut.bmp",
    }


def run_cli(*arguments, cwd=None, check=True):
    """brenlow-cli with these arguments: the finished process, its output as text."""
    cli = os.environ["BRENLOW_CLI"]
    done = subprocess.run([cli, *map(str, arguments)], cwd=cwd, capture_output=True, text=True)
    if check and done.returncode != 0:
        raise AssertionError(f"brenlow-cli {' '.join(map(str, arguments))} exited {done.returncode}: {done.stderr}")
    return done


def cli_json(*arguments, cwd=None):
    """The one JSON object a brenlow-cli command prints with --json."""
    return json.loads(run_cli(*arguments, "--json", cwd=cwd).stdout)

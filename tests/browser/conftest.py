"""What every browser test of the report page shares: a headless Chromium, pages made by brenlow-cli,
the console's errors, and screenshots kept as artefacts."""

import os
import subprocess
from pathlib import Path

import pytest
from selenium import webdriver
from selenium.webdriver.chrome.service import Service

TEST_DATA = Path(os.environ.get("BRENLOW_TEST_DATA", Path(__file__).parents[1] / "data"))
SAMPLES = Path(os.environ.get("BRENLOW_SAMPLES", Path(__file__).parents[2] / "samples"))
ARTEFACTS = Path(os.environ.get("BRENLOW_BROWSER_ARTEFACTS", Path.cwd() / "browser-artefacts"))


def run_cli(*arguments, cwd=None):
    """brenlow-cli with these arguments, which must succeed: the finished process."""
    done = subprocess.run([os.environ["BRENLOW_CLI"], *map(str, arguments)], cwd=cwd, capture_output=True, text=True)
    if done.returncode != 0:
        raise AssertionError(f"brenlow-cli {' '.join(map(str, arguments))} exited {done.returncode}: {done.stderr}")
    return done


@pytest.fixture(scope="session")
def pictures():
    """Real photographs: name -> path."""
    return {"coffee": TEST_DATA / "coffee.bmp", "chelsea": TEST_DATA / "chelsea.bmp",
            "astronaut": SAMPLES / "astronaut.bmp"}


@pytest.fixture(scope="session")
def browser():
    """One headless Chromium for the file's tests, with the console's messages kept. The page must need
    nothing from the network, so the browser is given none."""
    options = webdriver.ChromeOptions()
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                     "--window-size=1400,1000", "--proxy-server=127.0.0.1:9", "--proxy-bypass-list=<-loopback>"):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    service = Service(executable_path=os.environ.get("BRENLOW_CHROMEDRIVER", "/usr/bin/chromedriver"))
    driver = webdriver.Chrome(service=service, options=options)
    yield driver
    driver.quit()


def open_page(driver, path):
    """Loads a page from its file, as a reader opens one sent to them, and clears the console's past."""
    driver.get_log("browser")
    driver.get(Path(path).resolve().as_uri())
    return driver


def console_problems(driver):
    """The console's warnings and errors since the last look: a page that works logs none."""
    return [entry for entry in driver.get_log("browser") if entry["level"] in ("SEVERE", "WARNING")]


def keep_screenshot(driver, name):
    """Saves what the browser shows as an artefact of the test run; returns its path."""
    ARTEFACTS.mkdir(parents=True, exist_ok=True)
    path = ARTEFACTS / f"{name}.png"
    driver.save_screenshot(str(path))
    return path

#!/usr/bin/env bash
# The report page at the size a study publishes: a data set of 24 crops of the corpus pictures with
# five curves at eight qualities (no decoded pictures kept), its page written by `report --html`,
# then the page's size and its first paint in headless Chromium (the median of five loads from
# file://, each in a fresh tab state, the browser given no network).
#   bench/report_page.sh [WORK_FOLDER]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$(mktemp -d)}
build=${BRENLOW_BENCH_BUILD_DIR:-$root/build-bench}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBRENLOW_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j 2 --target brenlow-cli make_crops >/dev/null
cli=$build/src/cli/brenlow-cli

rm -rf "$work/set" "$work/results"
mkdir -p "$work/set"
"$build/bench/make_crops" "$work/set" 24 320 240 "$root/samples/astronaut.bmp" "$root/tests/data/coffee.bmp" \
  "$root/tests/data/chelsea.bmp" >/dev/null
"$cli" sweep --codecs jpeg,webp,avif:speed=8,jxl,jpeg:optimize=1:subsampling=444 --qualities 20:90:10 \
  --measures none --quiet --out "$work/results" "$work/set" >/dev/null
"$cli" report --html "$work/page.html" "$work/results"

/usr/bin/python3 - "$work/page.html" <<'PY'
import statistics
import sys
import time
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

page = Path(sys.argv[1]).resolve()
options = webdriver.ChromeOptions()
for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                 "--window-size=1400,1000", "--proxy-server=127.0.0.1:9", "--proxy-bypass-list=<-loopback>"):
    options.add_argument(argument)
driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
paints, ready = [], []
try:
    for _ in range(5):
        driver.get("about:blank")
        driver.get(page.as_uri())
        # The paint entry can come a moment after the load that get() waits for.
        paint = None
        for _ in range(100):
            paint = driver.execute_script(
                "const e = performance.getEntriesByName('first-contentful-paint')[0]; return e ? e.startTime : null")
            if paint is not None:
                break
            time.sleep(0.05)
        if paint is None:
            sys.exit("the page had not painted 5 s after it loaded")
        paints.append(paint)
        ready.append(driver.execute_script(
            "return performance.getEntriesByType('navigation')[0].loadEventEnd"))
        charts = driver.execute_script("return document.querySelectorAll('canvas[data-measure]').length")
finally:
    driver.quit()
print(f"page: {page} ({page.stat().st_size / 1e6:.2f} MB, {charts} charts)")
print("first contentful paint (ms): median %.0f, each %s" % (statistics.median(paints), [round(p) for p in paints]))
print("loaded, charts drawn (ms): median %.0f, each %s" % (statistics.median(ready), [round(r) for r in ready]))
PY

"""The report's viewer of kept decoded pictures in a real browser: it shows the very pixels that were
measured, its split slider and flicker toggle change what is seen, and a kept picture changed since
it was measured is reported rather than shown."""

import base64
import json
import shutil
import struct
import time
import zlib

import pytest
from selenium.webdriver.support.ui import Select

from conftest import console_problems, keep_screenshot, open_page, run_cli

QUALITIES = (20, 50, 80)


def png_rgb(path):
    """An 8-bit RGB PNG's pixels: (width, height, rows of bytes)."""
    data = path.read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    position, idat, header = 8, b"", None
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        position += 12 + length
    width, height, depth, colour, _, _, interlace = header
    assert (depth, colour, interlace) == (8, 2, 0), f"{path} is no plain 8-bit RGB PNG"
    raw, stride, rows, previous = zlib.decompress(idat), width * 3, [], bytearray(width * 3)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            left = line[x - 3] if x >= 3 else 0
            up = previous[x]
            up_left = previous[x - 3] if x >= 3 else 0
            if kind == 1:
                line[x] = (line[x] + left) & 255
            elif kind == 2:
                line[x] = (line[x] + up) & 255
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 255
            elif kind == 4:
                estimate = left + up - up_left
                nearest = min((abs(estimate - left), 0, left), (abs(estimate - up), 1, up),
                              (abs(estimate - up_left), 2, up_left))[2]
                line[x] = (line[x] + nearest) & 255
        rows.append(bytes(line))
        previous = line
    return width, height, rows


def bmp_rgb(path):
    """A 24-bit Windows bitmap's pixels as png_rgb gives them."""
    data = path.read_bytes()
    offset, = struct.unpack("<I", data[10:14])
    width, height, _, bits = struct.unpack("<iiHH", data[18:30])
    assert bits == 24, f"{path} is no 24-bit bitmap"
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for y in range(abs(height)):
        stored = data[offset + y * stride:offset + y * stride + width * 3]
        rows.append(bytes(b for x in range(width) for b in (stored[3 * x + 2], stored[3 * x + 1], stored[3 * x])))
    return width, abs(height), rows if height < 0 else rows[::-1]


def region(pixels, crop):
    _, _, rows = pixels
    x, y, width, height = crop["x"], crop["y"], crop["width"], crop["height"]
    return b"".join(rows[row][3 * x:3 * (x + width)] for row in range(y, y + height))


# The pixels an <img> shows, drawn into a canvas, as base64 RGB.
SHOWN_PIXELS = """
const image = document.getElementById(arguments[0]);
const canvas = document.createElement("canvas");
canvas.width = image.naturalWidth; canvas.height = image.naturalHeight;
const context = canvas.getContext("2d");
context.drawImage(image, 0, 0);
const rgba = context.getImageData(0, 0, canvas.width, canvas.height).data;
let text = "";
for (let i = 0; i < rgba.length; i += 4) text += String.fromCharCode(rgba[i], rgba[i + 1], rgba[i + 2]);
return btoa(text);
"""


def shown_pixels(browser, image_id):
    for _ in range(50):
        if browser.execute_script("const i = document.getElementById(arguments[0]); return i.complete && "
                                  "i.naturalWidth > 0;", image_id):
            return base64.b64decode(browser.execute_script(SHOWN_PIXELS, image_id))
        time.sleep(0.1)
    raise AssertionError(f"#{image_id} shows no picture")


def page_data(browser):
    return json.loads(browser.execute_script("return document.getElementById('comparison-data').textContent"))


@pytest.fixture(scope="module")
def data_set(tmp_path_factory, pictures):
    """Two photographs swept with two codecs at three qualities, their decoded pictures kept, and the
    page of that result folder."""
    folder = tmp_path_factory.mktemp("comparisons")
    sources = []
    for name in ("coffee", "chelsea"):
        sources.append(folder / f"{name}.bmp")
        shutil.copy(pictures[name], sources[-1])
    results = folder / "results"
    run_cli("sweep", "--codecs", "jpeg,webp", "--qualities", ",".join(map(str, QUALITIES)), "--measures", "none",
            "--keep-decoded", "--out", results, *sources)
    page = folder / "report.html"
    run_cli("report", "--html", page, results)
    return {"folder": folder, "results": results, "page": page}


def kept_png(results, picture, curve, quality):
    found = list((results / curve).glob(f"{picture}.bmp-*-q{quality}.png"))
    assert len(found) == 1, found
    return found[0]


def test_the_viewer_shows_the_source_and_the_decoded_pixels_that_were_measured(browser, data_set):
    open_page(browser, data_set["page"])
    assert console_problems(browser) == []
    for control in ("comparison-picture", "comparison-point", "comparison-zoom", "comparison-split"):
        assert browser.find_elements("css selector", f"label[for='{control}']"), f"#{control} has no label"
    pictures = page_data(browser)["pictures"]
    assert [picture["name"].split("/")[-1] for picture in pictures] == ["coffee.bmp", "chelsea.bmp"]
    picture_select = Select(browser.find_element("id", "comparison-picture"))
    for index, picture in enumerate(pictures):
        picture_select.select_by_index(index)
        crop = picture["crop"]
        assert (crop["width"], crop["height"]) == (256, 256) or crop["width"] == picture["width"]
        stem = picture["name"].split("/")[-1].removesuffix(".bmp")
        assert shown_pixels(browser, "comparison-source") == region(bmp_rgb(data_set["folder"] / f"{stem}.bmp"), crop)
        point_select = Select(browser.find_element("id", "comparison-point"))
        offered = [(point["curve"], point["quality"]) for point in picture["points"]]
        assert offered == [(curve, str(quality)) for curve in ("jpeg", "webp") for quality in QUALITIES]
        for place, (curve, quality) in enumerate(offered):
            point_select.select_by_index(place)
            expected = region(png_rgb(kept_png(data_set["results"], stem, curve, quality)), crop)
            assert shown_pixels(browser, "comparison-decoded") == expected, f"{stem} {curve} q{quality}"
            details = browser.find_element("id", "comparison-details").text
            assert curve in details and f"quality {quality}" in details
    assert console_problems(browser) == []
    keep_screenshot(browser, "comparisons-viewer")


def stage_picture(browser):
    return browser.find_element("id", "comparison-stage").screenshot_as_png


def top_visibility(browser):
    return browser.execute_script(
        "return getComputedStyle(document.querySelector('#comparison-stage .comparison-top')).visibility")


def test_the_split_slider_and_the_flicker_toggle_change_what_is_shown(browser, data_set):
    open_page(browser, data_set["page"])
    # The lowest quality differs most from its source.
    Select(browser.find_element("id", "comparison-point")).select_by_index(0)
    browser.find_element("id", "comparison-stage").location_once_scrolled_into_view
    shown_pixels(browser, "comparison-decoded")
    slider = browser.find_element("id", "comparison-split")
    at_half = stage_picture(browser)
    browser.execute_script("arguments[0].value = 0; arguments[0].dispatchEvent(new Event('input'));", slider)
    all_decoded = stage_picture(browser)
    browser.execute_script("arguments[0].value = 100; arguments[0].dispatchEvent(new Event('input'));", slider)
    all_source = stage_picture(browser)
    assert len({at_half, all_decoded, all_source}) == 3

    flicker = browser.find_element("id", "comparison-flicker")
    flicker.click()
    assert flicker.get_attribute("aria-pressed") == "true"
    # A screenshot takes about as long as a flicker's turn: each is kept only when the top picture did
    # not change while it was taken.
    seen = {}
    deadline = time.monotonic() + 10
    while len(seen) < 2 and time.monotonic() < deadline:
        before = top_visibility(browser)
        picture = stage_picture(browser)
        if top_visibility(browser) == before:
            seen[before] = picture
    assert set(seen) == {"visible", "hidden"} and seen["visible"] != seen["hidden"]
    flicker.click()
    assert flicker.get_attribute("aria-pressed") == "false"
    stopped = stage_picture(browser)
    time.sleep(1.2)
    assert stage_picture(browser) == stopped
    assert console_problems(browser) == []
    keep_screenshot(browser, "comparisons-split")


def test_the_zoom_enlarges_every_crop_pixel_for_pixel(browser, data_set):
    open_page(browser, data_set["page"])
    crop = page_data(browser)["pictures"][0]["crop"]
    shown_pixels(browser, "comparison-decoded")
    for factor in (1, 4, 2):
        Select(browser.find_element("id", "comparison-zoom")).select_by_value(str(factor))
        for image in browser.find_elements("css selector", "#comparisons img"):
            size = browser.execute_script("const r = arguments[0].getBoundingClientRect(); return [r.width, r.height];",
                                          image)
            assert size == [crop["width"] * factor, crop["height"] * factor]
            assert image.value_of_css_property("image-rendering") == "pixelated"
    assert console_problems(browser) == []


def test_a_kept_picture_changed_since_it_was_measured_is_reported_not_shown(browser, data_set, tmp_path):
    results = tmp_path / "results"
    shutil.copytree(data_set["results"], results)
    for name in ("coffee", "chelsea"):
        shutil.copy(data_set["folder"] / f"{name}.bmp", tmp_path / f"{name}.bmp")
    changed = kept_png(results, "coffee", "jpeg", 20)
    shutil.copy(kept_png(results, "coffee", "jpeg", 80), changed)
    page = tmp_path / "report.html"
    run_cli("report", "--html", page, results)
    open_page(browser, page)
    assert console_problems(browser) == []
    omitted = browser.find_element("css selector", "#comparisons .comparison-omitted").text
    assert changed.name in omitted and "changed since it was measured" in omitted
    coffee = next(picture for picture in page_data(browser)["pictures"] if picture["name"].endswith("coffee.bmp"))
    assert [(point["curve"], point["quality"]) for point in coffee["points"]] == [
        ("jpeg", "50"), ("jpeg", "80"), ("webp", "20"), ("webp", "50"), ("webp", "80")]
    point_options = [option.text for option in Select(browser.find_element("id", "comparison-point")).options]
    assert not any(option.startswith("jpeg at quality 20,") for option in point_options)
    browser.find_element("id", "comparisons").location_once_scrolled_into_view
    keep_screenshot(browser, "comparisons-changed")

"""A report of more pictures than one page shows: the pages link to one another, each draws the
figures over all the pictures and the curves of its own pictures, and none grows past a size a
browser opens readily."""

import random
import struct

import pytest
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select

from conftest import console_problems, open_page, run_cli

PICTURES = 1005
PER_PAGE = 1000
MOST_BYTES = 20 * 1024 * 1024


def bitmap(width, height, seed):
    """A 24-bit bitmap of smooth shades with some noise, different for each seed."""
    shades = random.Random(seed)
    base = [shades.randrange(256) for _ in range(3)]
    rows = b"".join(bytes(min(255, max(0, base[c] + 6 * x - 4 * y + shades.randrange(-20, 21)))
                          for x in range(width) for c in range(3)) for y in range(height))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    return header + info + rows


@pytest.fixture(scope="session")
def pages(tmp_path_factory):
    """The report of a data set of 1005 small pictures, two codecs at two qualities."""
    folder = tmp_path_factory.mktemp("pages")
    (folder / "set").mkdir()
    for i in range(PICTURES):
        (folder / "set" / f"p{i:04d}.bmp").write_bytes(bitmap(16, 16, i))
    run_cli("sweep", "--codecs", "jpeg,webp", "--qualities", "30,80", "--measures", "none", "--quiet",
            "--out", "results", "set", cwd=folder)
    run_cli("report", "--html", "page.html", "results", cwd=folder)
    return folder


def page_data(driver):
    return driver.execute_script("return window.brenlowPage.data")


def page_links(driver):
    return {link.text: link for link in driver.find_elements(By.CSS_SELECTOR, "nav.report-pages a")}


def test_each_page_holds_its_pictures_and_stays_small(pages):
    written = sorted(path.name for path in pages.glob("page*.html"))
    assert written == ["page-2.html", "page.html"]
    for name in written:
        assert (pages / name).stat().st_size < MOST_BYTES, name


def test_the_pages_link_to_one_another_and_draw_their_own_pictures(browser, pages):
    first = open_page(browser, pages / "page.html")
    assert console_problems(first) == []
    data = page_data(first)
    assert len(data["pictures"]) == PER_PAGE
    assert data["pictures"][0].endswith("p0000.bmp")
    assert max(point["picture"] for point in data["points"]) == PER_PAGE - 1
    assert all(len(row["rates"]) == PER_PAGE for row in data["picture_deltas"])
    aggregate = data["aggregate"]
    assert {point["pictures"] for point in aggregate} == {PICTURES}, "the means are over every picture"
    assert "<strong>1-1000</strong>" in first.find_element(By.CSS_SELECTOR, "nav.report-pages").get_attribute(
        "innerHTML")

    page_links(first)["1001-1005"].click()
    second = browser
    assert second.current_url.endswith("/page-2.html")
    assert console_problems(second) == []
    data = page_data(second)
    assert [name[-9:] for name in data["pictures"]] == [f"p{i:04d}.bmp" for i in range(PER_PAGE, PICTURES)]
    assert {point["picture"] for point in data["points"]} == set(range(PICTURES - PER_PAGE))
    assert all(len(row["rates"]) == PICTURES - PER_PAGE for row in data["picture_deltas"])
    assert data["aggregate"] == aggregate
    assert "pictures 1001 to 1005" in second.find_element(By.CSS_SELECTOR, "nav.report-pages").text

    # The page's last picture: its own curves and delta rates, from this page's data.
    Select(second.find_element(By.ID, "picture-select")).select_by_index(PICTURES - PER_PAGE)
    heading = second.find_element(By.CSS_SELECTOR, "#picture-deltas h3").text
    assert heading.startswith("Delta rates of ") and "p1004.bmp" in heading
    canvas = second.find_element(By.CSS_SELECTOR, "canvas[data-measure]")
    drawn = second.execute_script(
        "const chart = Chart.getChart(arguments[0]); return chart.data.datasets.map((d) => d.data.length);", canvas)
    assert drawn == [2, 2], "each curve's two points of that picture"
    assert console_problems(second) == []

    page_links(second)["1-1000"].click()
    assert browser.current_url.endswith("/page.html")
    assert len(page_data(browser)["pictures"]) == PER_PAGE

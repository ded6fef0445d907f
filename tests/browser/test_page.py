"""The report page as a reader uses it in a browser: its charts draw every curve of its data, a hover
tells the value the data holds, the legend hides a curve everywhere, the delta-rate table sorts and
filters, and a hostile curve label stays text."""

import json
import math

import pytest
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import Select

from conftest import console_problems, keep_screenshot, open_page, run_cli

HOSTILE = "</script><script>window.injected=1</script><b>x</b>"


@pytest.fixture(scope="session")
def page(pictures, tmp_path_factory):
    """A page of two photographs, three curves (one with a label made to end the page's script) and
    four qualities, with PSNR and SSIM alone."""
    folder = tmp_path_factory.mktemp("page")
    (folder / "set").mkdir()
    for name in ("coffee", "chelsea"):
        (folder / "set" / f"{name}.bmp").write_bytes(pictures[name].read_bytes())
    run_cli("sweep", "--codecs", f"jpeg,webp,jpeg:optimize=1:label={HOSTILE}", "--qualities", "20,40,60,80",
            "--measures", "none", "--quiet", "--out", "results", "set", cwd=folder)
    run_cli("report", "--html", "page.html", "results", cwd=folder)
    return folder / "page.html"


@pytest.fixture
def opened(browser, page):
    open_page(browser, page)
    return browser


def page_data(driver):
    return driver.execute_script("return window.brenlowPage.data")


def chart_of(driver, measure):
    return f"Chart.getChart(document.querySelector('canvas[data-measure=\"{measure}\"]'))"


def drawn_points(driver, measure):
    """Per dataset of the chart: its label, whether it is shown, and its points' pixel positions."""
    return driver.execute_script(f"""
        const chart = {chart_of(driver, measure)};
        return chart.data.datasets.map((dataset, i) => ({{
            label: dataset.label, visible: chart.isDatasetVisible(i),
            pixels: chart.getDatasetMeta(i).data.map((point) => [point.x, point.y])}}));""")


def mean_points(data, curve, measure):
    return [point for point in data["aggregate"]
            if point["curve"] == curve and point["values"][measure] is not None and point["bpp"] is not None]


def measure_index(data, key):
    return [measure["key"] for measure in data["measures"]].index(key)


def hover(driver, measure, curve, point):
    """Moves the pointer onto a drawn point; returns the tip's lines."""
    canvas = driver.find_element(By.CSS_SELECTOR, f"canvas[data-measure='{measure}']")
    driver.execute_script("arguments[0].scrollIntoView({block: 'center'})", canvas)
    x, y = drawn_points(driver, measure)[curve]["pixels"][point]
    size = canvas.size
    ActionChains(driver).move_to_element_with_offset(canvas, round(x - size["width"] / 2),
                                                     round(y - size["height"] / 2)).perform()
    tip = canvas.find_element(By.XPATH, "following-sibling::div[@class='chart-tip']")
    return tip.text.split("\n")


def test_the_page_draws_every_curve_of_its_data_with_no_console_problem(opened):
    assert console_problems(opened) == []
    data = page_data(opened)
    assert [curve["name"] for curve in data["curves"]] == ["jpeg", "webp", HOSTILE]
    canvases = opened.find_elements(By.CSS_SELECTOR, "canvas[data-measure]")
    assert [canvas.get_attribute("data-measure") for canvas in canvases] == \
        [measure["key"] for measure in data["measures"]]
    for canvas in canvases:
        assert canvas.get_attribute("aria-label")
        key = canvas.get_attribute("data-measure")
        drawn = drawn_points(opened, key)
        assert [dataset["label"] for dataset in drawn] == [curve["name"] for curve in data["curves"]]
        for curve, dataset in enumerate(drawn):
            expected = mean_points(data, curve, measure_index(data, key))
            assert len(expected) == 4, (key, curve)
            assert len(dataset["pixels"]) == len(expected), (key, curve)
            assert all(math.isfinite(x) and math.isfinite(y) for x, y in dataset["pixels"]), (key, curve)
    keep_screenshot(opened, "page-charts")


def test_a_hostile_label_stays_text_everywhere(opened):
    assert opened.execute_script("return window.injected") is None
    assert HOSTILE in [button.text for button in opened.find_elements(By.CSS_SELECTOR, ".curve-toggle")]
    assert opened.find_elements(By.CSS_SELECTOR, "#delta-table b") == []
    island = opened.find_element(By.ID, "brenlow-data").get_attribute("innerHTML")
    assert "<" not in island and json.loads(island)["curves"][2]["name"] == HOSTILE


def test_a_hover_tells_the_point_the_data_holds(opened):
    data = page_data(opened)
    psnr = measure_index(data, "psnr")
    point = mean_points(data, 1, psnr)[2]
    lines = hover(opened, "psnr", 1, 2)
    assert lines == ["mean over 2 pictures", "curve: webp", "settings: " + data["curves"][1]["settings"],
                     f"quality: {point['quality']}", f"bits per pixel: {point['bpp']:.4f}",
                     f"{data['measures'][psnr]['label']}: {point['values'][psnr]:.4f}"]

    Select(opened.find_element(By.ID, "picture-select")).select_by_visible_text(data["pictures"][1])
    own = [each for each in data["points"] if each["picture"] == 1 and each["curve"] == 0]
    lines = hover(opened, "psnr", 0, 1)
    assert lines[0] == data["pictures"][1]
    assert lines[3:] == [f"quality: {own[1]['quality']}", f"bits per pixel: {own[1]['bpp']:.4f}",
                         f"{data['measures'][psnr]['label']}: {own[1]['values'][psnr]:.4f}"]
    rows = opened.find_elements(By.CSS_SELECTOR, "#picture-delta-table tr")
    expected = [row for row in data["picture_deltas"]]
    assert len(rows) == len(expected) + 1
    first = rows[1].find_elements(By.TAG_NAME, "td")
    assert [cell.text for cell in first[:3]] == [expected[0]["curve"], expected[0]["measure"],
                                                 expected[0]["interpolation"]]
    assert float(first[3].text) == pytest.approx(expected[0]["rates"][1], abs=0.006)
    keep_screenshot(opened, "page-picture")


def test_hiding_a_curve_hides_it_in_every_chart_and_showing_brings_it_back(opened):
    button = opened.find_element(By.CSS_SELECTOR, ".curve-toggle[data-curve='1']")
    button.click()
    assert button.get_attribute("aria-pressed") == "false"
    for key in [measure["key"] for measure in page_data(opened)["measures"]]:
        assert [dataset["visible"] for dataset in drawn_points(opened, key)] == [True, False, True], key
    keep_screenshot(opened, "page-hidden-curve")
    button.send_keys(Keys.ENTER)
    assert button.get_attribute("aria-pressed") == "true"
    for key in [measure["key"] for measure in page_data(opened)["measures"]]:
        assert all(dataset["visible"] for dataset in drawn_points(opened, key)), key


def table_rows(driver):
    return [[cell.text for cell in row.find_elements(By.TAG_NAME, "td")]
            for row in driver.find_elements(By.CSS_SELECTOR, "#delta-table tbody tr")]


def test_the_delta_table_sorts_by_a_column_and_filters_by_measure_anchor_and_interpolation(opened):
    data = page_data(opened)
    Select(opened.find_element(By.ID, "delta-measure")).select_by_value("psnr")
    rows = table_rows(opened)
    expected = [row for row in data["deltas"] if row["anchor"] == "jpeg" and row["measure"] == "psnr"]
    assert len(rows) == len(expected) == 4 and {row[1] for row in rows} == {"psnr"}

    header = opened.find_element(By.XPATH, "//table[@id='delta-table']//th[button[text()='delta rate (%)']]")
    header.find_element(By.TAG_NAME, "button").click()
    rates = [float(row[3]) for row in table_rows(opened)]
    assert rates == sorted(rates) and header.get_attribute("aria-sort") == "ascending"
    assert sorted(rates) == pytest.approx(sorted(row["rate"] for row in expected), abs=0.006)
    header.find_element(By.TAG_NAME, "button").send_keys(Keys.ENTER)
    rates = [float(row[3]) for row in table_rows(opened)]
    assert rates == sorted(rates, reverse=True) and header.get_attribute("aria-sort") == "descending"

    weak = {(row["curve"], row["measure"], row["interpolation"]): row["weak"] for row in expected}
    for row in table_rows(opened):
        assert row[5].startswith("weak") == weak[(row[0], row[1], row[2])], row

    Select(opened.find_element(By.ID, "delta-anchor")).select_by_value("webp")
    Select(opened.find_element(By.ID, "delta-interpolation")).select_by_value("pchip")
    rows = table_rows(opened)
    assert sorted(row[0] for row in rows) == sorted(["jpeg", HOSTILE])
    assert {(row[1], row[2]) for row in rows} == {("psnr", "pchip")}
    keep_screenshot(opened, "page-delta-table")


def ink_near(driver, measure, x, y):
    """The most ink among the chart's pixels within one pixel of (x, y): its darkness (765 less the sum
    of its channels) by its opacity; the canvas is clear where nothing is drawn."""
    return driver.execute_script(f"""
        const canvas = {chart_of(driver, measure)}.canvas;
        const ratio = canvas.width / canvas.clientWidth;
        const pixels = canvas.getContext('2d').getImageData(
            Math.round((arguments[0] - 1) * ratio), Math.round(arguments[1] * ratio), Math.ceil(3 * ratio), 1).data;
        let ink = 0;
        for (let i = 0; i < pixels.length; i += 4)
            ink = Math.max(ink, (765 - pixels[i] - pixels[i + 1] - pixels[i + 2]) * pixels[i + 3] / 255);
        return ink;""", x, y)


def bar_middles(driver, data, curve, measure):
    """Halfway from each mean of the curve to the top of its standard deviation, where the chart shows
    that far from the marker."""
    key = data["measures"][measure]["key"]
    middles = []
    for index, point in enumerate(mean_points(data, curve, measure)):
        x, y = drawn_points(driver, key)[curve]["pixels"][index]
        top, area = driver.execute_script(
            f"const chart = {chart_of(driver, key)};"
            "return [chart.scales.y.getPixelForValue(arguments[0]), chart.chartArea.top]",
            point["values"][measure] + point["sd"][measure])
        if y - top > 12 and top > area:
            middles.append((x, (y + top) / 2))
    return middles


def test_the_spread_draws_error_bars_and_the_rate_axis_turns_logarithmic(opened):
    data = page_data(opened)
    psnr = measure_index(data, "psnr")
    webp = 1  # above the others: no other line crosses its bars
    assert all(ink_near(opened, "psnr", x, y) < 120 for x, y in bar_middles(opened, data, webp, psnr)), \
        "at most a grid line without a spread"
    Select(opened.find_element(By.ID, "spread")).select_by_value("sd")
    bars = bar_middles(opened, data, webp, psnr)
    assert len(bars) == 4, "the axis takes in every bar"
    assert all(ink_near(opened, "psnr", x, y) > 180 for x, y in bars), "a bar above each mean"
    keep_screenshot(opened, "page-spread")

    points = mean_points(data, webp, psnr)
    Select(opened.find_element(By.ID, "rate-axis")).select_by_value("logarithmic")
    assert opened.execute_script(f"return {chart_of(opened, 'psnr')}.scales.x.type") == "logarithmic"
    xs = [x for x, _ in drawn_points(opened, "psnr")[webp]["pixels"]]
    rates = [point["bpp"] for point in points]
    for i in range(1, len(xs) - 1):
        assert (xs[i] - xs[i - 1]) / (xs[i + 1] - xs[i]) == pytest.approx(
            math.log(rates[i] / rates[i - 1]) / math.log(rates[i + 1] / rates[i]), rel=0.02)


def test_every_control_is_reached_by_tab_and_has_a_label(opened):
    start = opened.find_element(By.ID, "picture-select")
    opened.execute_script("arguments[0].focus()", start)
    reached = []
    for _ in range(8):
        ActionChains(opened).send_keys(Keys.TAB).perform()
        reached.append(opened.execute_script(
            "const at = document.activeElement; return at.id || at.className;"))
    assert reached[:5] == ["rate-axis", "spread", "curve-toggle", "curve-toggle", "curve-toggle"]
    for control in opened.find_elements(By.TAG_NAME, "select"):
        label = opened.find_element(By.CSS_SELECTOR, f"label[for='{control.get_attribute('id')}']")
        assert label.text.strip()

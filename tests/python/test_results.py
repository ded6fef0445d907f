"""Results in a notebook: several folders merged as the command line merges them, its report, the
cells as Python numbers, the failed items, and the tables and figures drawn from them."""

import csv
import io
import json
import math
import os
import re

import numpy as np
import pytest

import brenlow
from conftest import cli_json, run_cli

os.environ.setdefault("MPLBACKEND", "Agg")

TIMING_COLUMNS = 6


def figures(csv_text):
    return [row[:-TIMING_COLUMNS] for row in csv.reader(io.StringIO(csv_text))]


@pytest.fixture(scope="module")
def two_runs(pictures, tmp_path_factory):
    """Two runs of other codecs over the same pictures, each into its own result folder."""
    folder = tmp_path_factory.mktemp("runs")
    both = [pictures["coffee"], pictures["chelsea"]]
    brenlow.sweep(both, "jpeg", qualities=[20, 50, 80], measures="none", out=folder / "jpeg")
    brenlow.sweep(both, ["webp"], qualities=[20, 50, 80], measures="none", out=folder / "webp")
    return folder / "jpeg", folder / "webp"


def test_several_folders_load_merged_as_the_command_line_merges_them(two_runs):
    merged = brenlow.load(*two_runs)
    assert merged.codecs == ["jpeg", "webp"] and len(merged.points) == 12
    assert figures(merged.csv()) == figures(run_cli("merge", *two_runs).stdout)
    printed = cli_json("merge", *two_runs)
    assert merged.bd_rates(method=None) == printed["bd_rate"]["aggregate"]
    assert merged.json()["bd_rate"]["aggregate"] == printed["bd_rate"]["aggregate"]
    assert brenlow.load(*two_runs, anchor="webp").bd_rates()[0]["codec"] == "jpeg"


def without_command_line(page):
    """The page less the section naming the command line that wrote it, which only the tool's has."""
    return re.sub(r"<h2>Command line</h2>\n.*?</pre>\n", "", page, flags=re.S)


def test_the_report_is_the_command_lines(two_runs, tmp_path):
    brenlow.load(*two_runs).report_html(tmp_path / "python.html")
    run_cli("report", *two_runs, "--html", tmp_path / "cli.html")
    cli_page = (tmp_path / "cli.html").read_text()
    assert "<pre>brenlow-cli report " in cli_page
    assert (tmp_path / "python.html").read_text() == without_command_line(cli_page)
    brenlow.load(*two_runs).report_html(tmp_path / "webp.html", anchor="webp")
    run_cli("report", *two_runs, "--anchor", "webp", "--html", tmp_path / "cli-webp.html")
    assert (tmp_path / "webp.html").read_text() == without_command_line((tmp_path / "cli-webp.html").read_text())


def test_cells_read_as_python_numbers(pictures, tmp_path):
    # A decoded picture equal to its reference has an infinite PSNR; measures not taken are n/a.
    reference, point = tmp_path / "reference", tmp_path / "decoded" / "50"
    reference.mkdir()
    point.mkdir(parents=True)
    pixels = brenlow.read(pictures["coffee"])
    brenlow.write(reference / "coffee.png", pixels)
    brenlow.write(point / "coffee.png", pixels)
    (point / "sizes.csv").write_text("coffee,12345\n")
    evaluated = brenlow.evaluate(reference, tmp_path / "decoded", name="2.0", measures=["ciede2000"])
    [row] = evaluated.points
    assert row["psnr"] == math.inf and row["coded_size"] == 12345 and isinstance(row["coded_size"], int)
    assert row["ciede2000"] == 0.0 and row["ssimulacra2"] is None and row["codec"] == "2.0"
    assert row["bits_per_pixel"] == pytest.approx(12345 * 8 / pixels[..., 0].size, abs=1e-6)


def test_failed_items_are_listed_as_the_command_line_lists_them(pictures, tmp_path):
    folder = tmp_path / "set"
    folder.mkdir()
    brenlow.write(folder / "good.png", brenlow.read(pictures["coffee"]))
    (folder / "broken.png").write_bytes(b"\x89PNG\r\n\x1a\n not a picture")
    swept = brenlow.sweep(folder, "jpeg", qualities=[50], measures="none")
    done = run_cli("sweep", folder, "--codecs", "jpeg", "--qualities", "50", "--measures", "none", "--json", check=False)
    assert done.returncode == 3
    printed = json.loads(done.stdout)
    assert swept.failed == printed["failed"]
    assert len(swept.failed) == 1 and swept.failed[0]["picture"].endswith("broken.png")


def test_tables_and_figures_come_from_the_points(two_runs):
    results = brenlow.load(*two_runs)
    header = next(csv.reader(io.StringIO(results.csv())))
    points = results.dataframe()
    assert list(points.columns) == header and len(points) == 12
    assert list(results.dataframe(aggregate=True)["codec"]) == ["jpeg"] * 3 + ["webp"] * 3
    ax = results.plot("psnr")
    assert [line.get_label() for line in ax.get_lines()] == ["jpeg", "webp"]
    jpeg = [row for row in results.aggregate if row["codec"] == "jpeg"]
    np.testing.assert_array_equal(ax.get_lines()[0].get_xdata(), sorted(row["bits_per_pixel"] for row in jpeg))
    assert ax.get_xlabel() == "bits per pixel"


def test_what_the_results_cannot_give_is_refused_saying_why(two_runs, tmp_path):
    results = brenlow.load(*two_runs)
    with pytest.raises(brenlow.UsageError, match="linear"):
        results.bd_rates(method="linear")
    with pytest.raises(brenlow.UsageError, match="avif"):
        results.bd_rates(anchor="avif")
    with pytest.raises(brenlow.UsageError, match="ssimulacra2"):
        results.bd_rates(measures=["psnr", "ssimulacra2"])
    with pytest.raises(brenlow.UsageError, match="ssimulacra2"):
        results.plot("ssimulacra2")
    with pytest.raises(brenlow.FileError) as unwritable:
        results.report_html(tmp_path / "no" / "such" / "folder" / "report.html")
    assert unwritable.value.filename.endswith("report.html")
    with pytest.raises(brenlow.FileError, match="does not exist") as missing:
        brenlow.load(tmp_path / "nothing-here")
    assert missing.value.filename == str(tmp_path / "nothing-here")


# matplotlib's markers for the core's shapes, as a reader of either figure sees them.
MATPLOTLIB_MARKERS = {"circle": "o", "square": "s", "triangle": "^", "diamond": "D", "cross": "x", "plus": "+",
                      "star": "*"}


def test_plot_draws_every_curve_in_its_style_one_axes_per_measure(pictures):
    import matplotlib.colors

    codecs = ["webp:method=6", "jpeg"]
    results = brenlow.sweep([pictures["coffee"], pictures["chelsea"]], codecs, qualities=[30, 70], measures="none")
    axes = results.plot(["psnr", "ssim_y_db"], width="page")
    assert len(axes) == 2 and tuple(axes[0].figure.get_size_inches()) == pytest.approx((7.0, 2.625))
    styles = brenlow.curve_styles(codecs)
    assert styles[0].dash and not styles[1].dash, "one dashed curve and one solid, to tell them apart"
    for ax in axes:
        lines = ax.get_lines()
        assert [line.get_label() for line in lines] == codecs
        for line, style in zip(lines, styles):
            assert matplotlib.colors.to_hex(line.get_color()) == style.colour
            assert line.get_marker() == MATPLOTLIB_MARKERS[style.marker]
            if style.dash:
                assert line._unscaled_dash_pattern == (0, tuple(style.dash))
            else:
                assert line.get_linestyle() == "-"
    assert [ax.get_ylabel() for ax in axes] == ["PSNR (RGB) (dB)", "SSIM luma (dB)"]
    assert results.plot("psnr", width="column").figure.get_size_inches()[0] == pytest.approx(3.5)


def test_error_bars_span_the_spread_of_each_mean_over_the_pictures(two_runs):
    results = brenlow.load(*two_runs)
    points = results.json()["aggregate"]
    for spread in ("sd", "ci95"):
        ax = results.plot("psnr", spread=spread)
        assert len(ax.get_lines()) == 2 and len(ax.containers) == 2
        for codec, container in zip(results.codecs, ax.containers):
            expected = []
            for point in points:
                if point["codec"] == codec:
                    deviation, count = point["deviations"]["psnr"], point["counts"]["psnr"]
                    assert count == 2 and deviation > 0
                    # Student's t at 97.5 % for one degree of freedom, over the square root of two.
                    factor = 12.7062 / math.sqrt(2) if spread == "ci95" else 1
                    expected.append((point["means"]["bits_per_pixel"], deviation * factor))
            bars = sorted(container.lines[2][0].get_segments(), key=lambda bar: bar[0][0])
            assert len(bars) == len(expected)
            for bar, (rate, half_width) in zip(bars, sorted(expected)):
                assert bar[0][0] == bar[1][0] == pytest.approx(rate, abs=1e-6)
                assert (bar[1][1] - bar[0][1]) / 2 == pytest.approx(half_width, rel=1e-4)
    with pytest.raises(brenlow.UsageError, match="spread"):
        results.plot("psnr", spread="range")
    with pytest.raises(brenlow.UsageError, match="width"):
        results.plot("psnr", width="poster")
    with pytest.raises(brenlow.UsageError, match="1 Axes for 2 measures"):
        results.plot(["psnr", "ssim_y"], ax=results.plot("psnr"))

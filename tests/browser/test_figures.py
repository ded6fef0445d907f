"""The paper figures as a reader's tools open them: the SVG drawn by Chromium with every curve of the data
set, the PDF rendered by poppler, the PNG decoded by the browser, and each the same bytes from a second run."""

import json
import shutil
import subprocess

import pytest

from conftest import console_problems, keep_screenshot, open_page, run_cli

CODECS = ["jpeg", "webp"]


@pytest.fixture(scope="module")
def results(tmp_path_factory, pictures):
    """A data set of three photographs, two codecs at three qualities, and a published curve."""
    folder = tmp_path_factory.mktemp("figures")
    run_cli("sweep", "--codecs", ",".join(CODECS), "--qualities", "30,60,90", "--measures", "none", "--quiet",
            "--out", folder / "results", *pictures.values())
    published = {"name": "paper", "results": {"bpp": [0.4, 0.8, 1.6], "psnr": [30, 33, 36]}}
    (folder / "paper.json").write_text(json.dumps(published))
    return folder


def figures(results, name, *options):
    run_cli("report", results / "results", "--figures", results / name, "--import", results / "paper.json",
            "--measures", "psnr", *options)
    return results / name


def test_the_svg_figure_draws_every_curve_with_its_error_bars_and_legend(browser, results):
    svg = figures(results, "svg", "--format", "svg", "--spread", "sd") / "psnr.svg"
    open_page(browser, svg)
    curves = browser.execute_script(
        "return [...document.querySelectorAll('g.curve')].map(g => {"
        "  const box = g.querySelector('path').getBBox();"
        "  return {width: box.width, height: box.height, lines: g.querySelectorAll('line').length,"
        "          name: [...g.querySelectorAll('text')].map(t => t.textContent).join('')};"
        "});")
    assert [curve["name"] for curve in curves] == CODECS + ["paper (published)"]
    assert all(curve["width"] > 10 and curve["height"] > 10 for curve in curves), curves
    # Three points with a bar and two caps each, and the legend's sample line; none on the published curve.
    assert [curve["lines"] for curve in curves] == [10, 10, 1]
    assert console_problems(browser) == []
    keep_screenshot(browser, "figure-psnr-svg")


@pytest.mark.skipif(shutil.which("pdftoppm") is None, reason="poppler-utils is not installed")
def test_the_pdf_and_png_figures_open_and_two_runs_give_the_same_bytes(browser, results, tmp_path):
    for fmt in ("svg", "pdf", "png"):
        first = figures(results, f"first-{fmt}", "--format", fmt, "--width", "page") / f"psnr.{fmt}"
        second = figures(results, f"second-{fmt}", "--format", fmt, "--width", "page") / f"psnr.{fmt}"
        assert first.read_bytes() == second.read_bytes(), fmt

    pdf = results / "first-pdf" / "psnr.pdf"
    subprocess.run(["pdftoppm", "-png", "-r", "72", "-singlefile", pdf, tmp_path / "page"], check=True)
    open_page(browser, tmp_path / "page.png")
    assert browser.execute_script("return document.querySelector('img').naturalWidth") == 504

    open_page(browser, results / "first-png" / "psnr.png")
    assert browser.execute_script("return document.querySelector('img').naturalWidth") == 2100
    assert console_problems(browser) == []

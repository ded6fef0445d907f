"""Measures and BD-rates from Python: every figure that of `brenlow-cli compare --json` and of a sweep's
delta-rate table to the last digit, files read in the colour encoding they declare, the choices of
measures and methods as the command line names them, and the interpreter free while the core works."""

import math
import runpy
import struct
import threading
import time
import warnings
import zlib

import numpy as np
import pytest

import brenlow
from conftest import TEST_DATA, cli_json


def as_python(figure):
    """A figure of the command line's JSON as brenlow gives it: "inf" is a float, null None."""
    return float(figure) if isinstance(figure, str) else figure


def compare_figures(reference, distorted, *measures):
    printed = cli_json("compare", *(("--measures", ",".join(measures)) if measures else ()), reference, distorted)
    return {key: as_python(value) for key, value in printed["measures"].items()}


@pytest.fixture(scope="module")
def coded_pair(tmp_path_factory):
    """chelsea and its JPEG at quality 30, as files."""
    folder = tmp_path_factory.mktemp("pair")
    pixels = brenlow.read(TEST_DATA / "chelsea.bmp")
    brenlow.write(folder / "chelsea.png", pixels)
    brenlow.write(folder / "chelsea-q30.png", brenlow.Codec("jpeg").code(pixels, 30).decoded)
    return folder / "chelsea.png", folder / "chelsea-q30.png"


@pytest.mark.parametrize("measures", [None, "none", "ssimulacra2", "ms_ssim,butteraugli", ["ciede2000"], []])
def test_figures_are_those_of_compare_to_the_last_digit(coded_pair, measures):
    reference, distorted = coded_pair
    if measures is None:
        expected = compare_figures(reference, distorted)
    else:
        names = measures.split(",") if isinstance(measures, str) else measures
        expected = compare_figures(reference, distorted, *(names or ["none"]))
    measured = brenlow.measure(reference, distorted, measures=measures)
    assert measured == expected
    assert measured["psnr"] > 20 and measured["ssim_y"] > 0.5
    # Arrays of the same untagged pictures give the same figures.
    assert brenlow.measure(brenlow.read(reference), brenlow.read(distorted), measures) == expected


def test_the_default_measures_are_the_command_lines():
    pixels = brenlow.read(TEST_DATA / "coffee.bmp")
    measured = brenlow.measure(pixels, pixels[::-1].copy())
    assert measured["ciede2000"] is not None and measured["ms_ssim_y"] is not None
    assert measured["ssimulacra2"] is None  # taken only when asked for, as compare does
    assert math.isinf(brenlow.measure(pixels, pixels, "none")["psnr"])


def with_gamma(png, gamma=45455):
    """The PNG with a gAMA chunk: its colours declared as gamma 2.2 rather than untagged sRGB."""
    data = png.read_bytes()
    body = b"gAMA" + struct.pack(">I", gamma)
    end_of_header = 8 + 8 + 13 + 4
    png.write_bytes(data[:end_of_header] + struct.pack(">I", 4) + body + struct.pack(">I", zlib.crc32(body))
                    + data[end_of_header:])
    return png


def test_files_are_measured_in_the_colour_encoding_they_declare(coded_pair, tmp_path):
    tagged = []
    for path in coded_pair:
        copy = tmp_path / path.name
        copy.write_bytes(path.read_bytes())
        tagged.append(with_gamma(copy))
    printed = cli_json("compare", *tagged)
    assert printed["colour_encodings"]["reference"].startswith("gamma 2.")
    expected = {key: as_python(value) for key, value in printed["measures"].items()}
    assert brenlow.measure(*tagged) == expected
    # The same pixels as arrays are sRGB: the colour difference sees other colours.
    as_arrays = brenlow.measure(*(brenlow.read(path) for path in tagged))
    assert as_arrays["psnr"] == expected["psnr"] and as_arrays["ciede2000"] != expected["ciede2000"]


def test_pictures_of_two_sizes_are_measured_over_their_common_area_with_a_warning(pictures, tmp_path):
    pixels = brenlow.read(pictures["coffee"])
    cropped = tmp_path / "cropped.png"
    brenlow.write(cropped, pixels[7:, :590])
    with pytest.warns(UserWarning, match="600 x 400.*590 x 393"):
        measured = brenlow.measure(pictures["coffee"], cropped, "none")
    assert measured == compare_figures(pictures["coffee"], cropped, "none")
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        with pytest.raises(UserWarning, match="differ in size"):
            brenlow.measure(pictures["coffee"], cropped, "none")


def test_measures_lists_every_figure_with_its_unit_and_direction(coded_pair):
    infos = {info.name: info for info in brenlow.measures()}
    measured = brenlow.measure(*coded_pair)
    assert set(infos) <= set(measured)
    assert infos["psnr"].unit == "dB" and infos["psnr"].higher_is_better and infos["psnr"].group == ""
    assert not infos["ciede2000"].higher_is_better and infos["ciede2000"].group == "ciede2000"
    assert infos["butteraugli_3norm"].group == "butteraugli" and infos["psnr_y"].label == "PSNR luma"
    assert "psnr_y" in repr(infos["psnr_y"])


def test_bad_choices_and_inputs_are_refused_saying_what_to_pass(pictures, tmp_path):
    pixels = brenlow.read(pictures["coffee"])
    with pytest.raises(brenlow.UsageError, match='"ssim2" is not one of ms_ssim, ciede2000, butteraugli, ssimulacra2'):
        brenlow.measure(pixels, pixels, ["ssim2"])
    with pytest.raises(brenlow.UsageError, match="distorted.*float64"):
        brenlow.measure(pixels, pixels / 255.0)
    with pytest.raises(brenlow.UsageError, match="reference.*uint8"):
        brenlow.measure([[1, 2, 3]], pixels)
    with pytest.raises(brenlow.FileError) as missing:
        brenlow.measure(pictures["coffee"], tmp_path / "missing.png")
    assert missing.value.filename == str(tmp_path / "missing.png")


def test_bd_rate_is_the_sweeps_delta_rate_table_to_the_last_digit(pictures):
    printed = cli_json("sweep", "--codecs", "jpeg,webp", "--qualities", "20,40,60,80", "--measures", "ciede2000",
                       pictures["coffee"])
    curves = {}
    for point in printed["points"]:
        curves.setdefault(point["codec"], []).append(point["measures"])
    rows = printed["bd_rate"]["rows"]
    assert {(row["measure"], row["interpolation"]) for row in rows} >= {("psnr", "pchip"), ("ciede2000", "cubic")}
    for row in rows:
        anchor = [(m["bits_per_pixel"], as_python(m[row["measure"]])) for m in curves["jpeg"]]
        test = [(m["bits_per_pixel"], as_python(m[row["measure"]])) for m in curves[row["codec"]]]
        rate = brenlow.bd_rate(anchor, test, measure=row["measure"], method=row["interpolation"])
        assert rate.percent == row["rate_percent"]["value"]
        assert rate.weak_overlap == row["rate_percent"]["weak_overlap"]
        assert rate.shared_fraction_anchor == row["rate_percent"]["shared_fraction_anchor"]
        assert rate.shared_fraction_test == row["rate_percent"]["shared_fraction_test"]
        assert rate.quality_delta == row["quality_delta"]["value"]
        assert rate.quality_weak_overlap == row["quality_delta"]["weak_overlap"]
        assert rate.quality_shared_fraction_test == row["quality_delta"]["shared_fraction_test"]
        assert (rate.measure, rate.method) == (row["measure"], row["interpolation"])


def test_bd_rate_agrees_with_the_reference_script_from_the_definition(capsys):
    script = runpy.run_path(str(TEST_DATA / "bd_pchip_reference.py"))
    printed = dict(line.split(None, 2)[1:] for line in capsys.readouterr().out.splitlines())
    rate = brenlow.bd_rate(script["ANCHOR"], script["TEST"])
    assert rate.method == "pchip" and rate.measure == "psnr"
    assert rate.percent == pytest.approx(float(printed["rate"].split()[0]), abs=1e-9)
    assert rate.quality_delta == pytest.approx(float(printed["quality"].split()[0]), abs=1e-9)
    assert not rate.weak_overlap


def test_bd_rate_turns_lower_is_better_round_and_flags_curves_that_barely_meet():
    anchor = [(0.25, 4.0), (0.5, 3.0), (1.0, 2.0), (2.0, 1.0)]
    halved = [(rate / 2, value) for rate, value in anchor]
    # The same distances at half the rate: half the bits, whichever way the measure runs.
    assert brenlow.bd_rate(anchor, halved, "ciede2000").percent == pytest.approx(-50.0)
    assert brenlow.bd_rate(anchor, np.array(halved), "butteraugli_max", "cubic").percent == pytest.approx(-50.0)
    barely = [(2.0, 1.0), (3.0, 0.9), (4.0, 0.8), (5.0, 0.7)]
    assert brenlow.bd_rate(anchor, barely, "ciede2000").weak_overlap
    # A point without a figure is left out, as a sweep's record leaves it.
    assert brenlow.bd_rate(anchor, halved + [(3.0, None)], "ciede2000").percent == pytest.approx(-50.0)
    assert math.isnan(brenlow.bd_rate(anchor[:1], halved, "ciede2000").percent)


def test_bd_rate_refuses_other_measures_methods_and_points_naming_the_choices():
    curve = [(0.5, 30.0), (1.0, 33.0)]
    with pytest.raises(brenlow.UsageError, match='"akima".*pchip and cubic'):
        brenlow.bd_rate(curve, curve, method="akima")
    with pytest.raises(brenlow.UsageError, match='"psnr_r".*psnr, psnr_y, ssim_y, ssim_y_db'):
        brenlow.bd_rate(curve, curve, measure="psnr_r")
    with pytest.raises(brenlow.UsageError, match=r"test: each point is a \(bits_per_pixel, value\) pair"):
        brenlow.bd_rate(curve, [0.5, 1.0])


def large_pair(height=1200, width=1600):
    """A picture of a good size tiled from a photograph, and a noisy copy of it."""
    photo = brenlow.read(TEST_DATA / "coffee.bmp")
    tiled = np.ascontiguousarray(np.tile(photo, (height // 400 + 1, width // 600 + 1, 1))[:height, :width])
    noise = np.random.default_rng(1).integers(0, 9, tiled.shape, dtype=np.uint8)
    return tiled, np.ascontiguousarray(tiled ^ noise)


def longest_pause_of_another_thread(call):
    """Runs `call` on a thread while this one counts: the longest time this thread stood still while
    the call ran, and how long the call took."""
    span = {}

    def worker():
        span["start"] = time.perf_counter()
        call()
        span["end"] = time.perf_counter()

    thread = threading.Thread(target=worker)
    ticks = []
    thread.start()
    while thread.is_alive():
        ticks.append(time.perf_counter())
    thread.join()
    during = [t for t in ticks if span["start"] <= t <= span["end"]]
    edges = [span["start"], *during, span["end"]]
    return max(b - a for a, b in zip(edges, edges[1:])), span["end"] - span["start"]


@pytest.mark.parametrize("what", ["measure", "code"])
def test_the_interpreter_runs_other_threads_while_the_core_works(what):
    reference, distorted = large_pair()
    calls = {
        "measure": lambda: brenlow.measure(reference, distorted, ["ciede2000"]),
        "code": lambda: brenlow.Codec("jxl:effort=5").code(reference, 80),
    }
    pause, took = longest_pause_of_another_thread(calls[what])
    # Holding the interpreter's lock, the call would stop this thread for all of its time.
    assert took > 0.2, "the call is too quick to tell"
    assert pause < took / 4, f"this thread stood still {pause:.3f} s of the call's {took:.3f} s"

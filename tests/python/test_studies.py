"""Sweeps and evaluations from Python: the command line's figures and folders, arrays swept as the
files of their pixels, progress on the calling thread, and an interrupted sweep that resumes."""

import csv
import io
import os
import signal
import subprocess
import sys
import threading
import time

import numpy as np
import pytest

import brenlow
from conftest import cli_json, run_cli

# The timing columns come last and differ from run to run; every other cell is the same.
TIMING_COLUMNS = 6


def figures(csv_text, picture_column=True):
    """The CSV's rows without their timing cells (and without the picture's name if asked)."""
    rows = list(csv.reader(io.StringIO(csv_text)))
    start = 0 if picture_column else 1
    return [row[start:-TIMING_COLUMNS] for row in rows]


def untimed(points):
    return [{key: value for key, value in point.items() if not key.endswith("seconds") and not key.endswith("_second")}
            for point in points]


@pytest.fixture
def two_pictures(pictures):
    return [str(pictures["coffee"]), str(pictures["chelsea"])]


def test_a_sweep_gives_the_command_lines_figures_and_folder(two_pictures, tmp_path):
    swept = brenlow.sweep(two_pictures, ["jpeg", "webp:method=2"], qualities=[30, 70], measures="none",
                          out=tmp_path / "python", jobs=2)
    run_cli("sweep", *two_pictures, "--codecs", "jpeg,webp:method=2", "--qualities", "30,70", "--measures",
            "none", "--out", tmp_path / "cli", "-j", "2")
    printed = run_cli("merge", tmp_path / "cli").stdout
    assert figures(swept.csv()) == figures(printed)
    assert len(swept.points) == 8 and swept.items_made == 4 and swept.items_reused == 0
    assert swept.points[0]["picture"].endswith("coffee.bmp") and swept.points[0]["quality"] == 30
    # The Python folder is a result folder like any other: merge prints the same, report reads it.
    assert figures(run_cli("merge", tmp_path / "python").stdout) == figures(printed)
    run_cli("report", tmp_path / "python", "--html", tmp_path / "python.html")
    assert "webp:method=2" in (tmp_path / "python.html").read_text()
    # And the other way round: the command line's folder loads with the same points.
    loaded = brenlow.load(tmp_path / "cli")
    assert untimed(loaded.points) == untimed(swept.points)
    assert figures(loaded.aggregate_csv(), True)[1:] == [row for row in figures(swept.aggregate_csv())][1:]
    cli = cli_json("merge", tmp_path / "cli")
    assert swept.bd_rates(method=None) == cli["bd_rate"]["aggregate"]
    assert [row["interpolation"] for row in swept.bd_rates()] == ["pchip"] * len(swept.bd_rates())
    assert {row["measure"] for row in swept.bd_rates(measures="psnr")} == {"psnr"}
    assert swept.anchor == "jpeg" and swept.bd_rates(anchor="webp:method=2")[0]["codec"] == "jpeg"


def test_an_array_is_swept_as_the_file_of_its_pixels(pictures, tmp_path):
    pixels = brenlow.read(pictures["coffee"])
    brenlow.write(tmp_path / "coffee.png", pixels)
    printed = run_cli("sweep", tmp_path / "coffee.png", "--codecs", "jpeg", "--qualities", "20,60", "--measures",
                      "none", "--out", tmp_path / "cli").stdout
    in_memory = brenlow.sweep(pixels, "jpeg", qualities="20,60", measures=[])
    assert figures(in_memory.csv(), picture_column=False) == figures(printed, picture_column=False)
    kept = brenlow.sweep([pixels], ["jpeg"], qualities=[20, 60], measures="none", out=tmp_path / "python")
    np.testing.assert_array_equal(brenlow.read(tmp_path / "python" / "pictures" / "array-0.png"), pixels)
    assert figures(kept.csv(), picture_column=False) == figures(printed, picture_column=False)
    # The same pixels again are the same picture file, so their items are taken as they were.
    again = brenlow.sweep([pixels], ["jpeg"], qualities=[20, 60], measures="none", out=tmp_path / "python")
    assert (again.items_made, again.items_reused) == (0, 1)


def test_progress_is_called_on_the_calling_thread_up_to_the_end_naming_the_items(two_pictures):
    calls = []
    brenlow.sweep(two_pictures, ["jpeg"], qualities=[20, 40, 60], measures="none", jobs=1,
                  progress=lambda done, total, item: calls.append((done, total, item, threading.get_ident())))
    assert calls and calls[-1][:3] == (6, 6, f"jpeg on {two_pictures[1]}")
    assert {item for _, _, item, _ in calls} <= {f"jpeg on {picture}" for picture in two_pictures}
    assert {thread for *_, thread in calls} == {threading.get_ident()}


def slow_sweep(pictures, out, **options):
    """Six items of many points each, one at a time, so that an interrupt lands in the middle."""
    return brenlow.sweep([pictures["coffee"], pictures["chelsea"], pictures["astronaut"]],
                         ["jpeg", "webp:method=6"], qualities="10:90:10", measures="none", out=out, jobs=1, **options)


def test_an_interrupt_from_progress_keeps_the_finished_items_and_a_second_call_resumes(pictures, tmp_path):
    def interrupt_half_way(done, total, item):
        if total // 2 <= done < total:
            raise KeyboardInterrupt

    with pytest.raises(KeyboardInterrupt):
        slow_sweep(pictures, tmp_path / "out", progress=interrupt_half_way)
    resumed = slow_sweep(pictures, tmp_path / "out")
    total = resumed.items_made + resumed.items_reused
    assert total == 2 * len(resumed.pictures)
    assert 0 < resumed.items_reused < total
    whole = slow_sweep(pictures, tmp_path / "whole")
    assert (whole.items_made, whole.items_reused) == (total, 0)
    assert figures(resumed.csv()) == figures(whole.csv())


def test_ctrl_c_during_a_sweep_raises_keyboard_interrupt_and_the_next_call_resumes(pictures, tmp_path):
    # Ctrl-C arrives once the first item is filed, while the calling thread waits on the core with no
    # Python code of its own to run: only its signal check can notice it.
    out = tmp_path / "out"

    def press_ctrl_c():
        while not any(out.glob("*-jpeg.json")):
            time.sleep(0.01)
        os.kill(os.getpid(), signal.SIGINT)

    presser = threading.Thread(target=press_ctrl_c)
    presser.start()
    with pytest.raises(KeyboardInterrupt):
        slow_sweep(pictures, out)
    presser.join()
    resumed = slow_sweep(pictures, out)
    assert resumed.items_made > 0 and resumed.items_reused > 0


def test_other_python_threads_run_while_a_sweep_works(pictures):
    # A codec written in Python is called on the core's threads while the calling thread waits: the
    # wait must leave the GIL to them. A thread that counts does while the calling thread sleeps.
    counts, stop = [0], threading.Event()

    def count():
        while not stop.is_set():
            counts[0] += 1

    def counted_while(work):
        before, started = counts[0], time.monotonic()
        work()
        return (counts[0] - before) / (time.monotonic() - started)

    counter = threading.Thread(target=count)
    counter.start()
    try:
        sleeping = counted_while(lambda: time.sleep(0.3))
        sweeping = counted_while(lambda: slow_sweep(pictures, None))
    finally:
        stop.set()
        counter.join()
    assert sweeping > 0.2 * sleeping


def test_another_exception_from_progress_ends_the_sweep_and_is_raised(two_pictures):
    def refuse(done, total, item):
        raise RuntimeError("stop here")

    with pytest.raises(RuntimeError, match="stop here"):
        brenlow.sweep(two_pictures, ["jpeg"], qualities=[20, 40], measures="none", progress=refuse)


@pytest.mark.parametrize(
    "options, error, says",
    [
        ({"qualities": [50, 50]}, brenlow.UsageError, "50"),
        ({"qualities": "0:200:10"}, brenlow.UsageError, "qualities"),
        ({"measures": "psnr-hvs-m-plus"}, brenlow.UsageError, "psnr-hvs-m-plus"),
        ({"bpp": [0.5], "qualities": [50]}, brenlow.UsageError, "either to sizes or at qualities"),
        ({"anchor": "avif"}, brenlow.UsageError, "avif"),
        ({"jobs": 0}, brenlow.UsageError, "jobs"),
        ({"qualities_for": {"webp": [10, 20]}}, brenlow.Error, "webp"),
    ],
)
def test_requests_the_command_line_refuses_are_refused_saying_why(pictures, options, error, says):
    with pytest.raises(error, match=says):
        brenlow.sweep(pictures["coffee"], ["jpeg"], **options)


def test_pictures_and_codecs_that_do_not_exist_are_named(pictures, tmp_path):
    with pytest.raises(OSError, match="missing.png") as missing:
        brenlow.sweep([pictures["coffee"], tmp_path / "missing.png"], "jpeg")
    assert isinstance(missing.value, brenlow.FileError) and missing.value.filename == str(tmp_path / "missing.png")
    with pytest.raises(brenlow.Error, match="nocodec"):
        brenlow.sweep(pictures["coffee"], "nocodec")
    with pytest.raises(brenlow.UsageError, match="codec string"):
        brenlow.sweep(pictures["coffee"], [42])
    (tmp_path / "a file").write_text("not a folder")
    with pytest.raises(brenlow.FileError) as unwritable:
        brenlow.sweep(pictures["coffee"], "jpeg", qualities=[50], out=tmp_path / "a file" / "results")
    assert unwritable.value.filename == str(tmp_path / "a file" / "results")


class CodecStringOnly:
    """Anything with a codec string in .codec_string goes where a codec goes."""

    codec_string = "jpeg:label=baseline"


def test_codec_objects_are_swept_by_their_codec_string_each_at_its_own_qualities(pictures):
    swept = brenlow.sweep(pictures["coffee"], [CodecStringOnly(), "webp"], qualities=[50], qualities_for={"webp": [10, 20]},
                          measures="none")
    assert swept.codecs == ["baseline", "webp"]
    assert [(point["codec"], point["quality"]) for point in swept.points] == [("baseline", 50), ("webp", 10),
                                                                              ("webp", 20)]


def test_sizes_are_coded_to_as_the_command_line_codes_to_them(pictures, tmp_path):
    swept = brenlow.sweep(pictures["coffee"], "jpeg", bpp=[0.5, 1], measures="none")
    printed = run_cli("sweep", pictures["coffee"], "--codecs", "jpeg", "--bpp", "0.5,1.0", "--measures", "none",
                      "--out", tmp_path / "cli").stdout
    assert figures(swept.csv()) == figures(printed)
    assert [point["target_bits_per_pixel"] for point in swept.points] == [0.5, 1.0]


def noisy(pixels, amount, seed):
    noise = np.random.default_rng(seed).integers(-amount, amount + 1, pixels.shape)
    return np.clip(pixels.astype(int) + noise, 0, 255).astype(np.uint8)


def test_evaluate_gives_the_command_lines_figures(pictures, tmp_path):
    reference, decoded = tmp_path / "reference", tmp_path / "decoded"
    reference.mkdir()
    for name in ("coffee", "chelsea"):
        brenlow.write(reference / f"{name}.png", brenlow.read(pictures[name]))
    for quality, amount in ((20, 12), (60, 3)):
        point = decoded / str(quality)
        point.mkdir(parents=True)
        for seed, name in enumerate(("coffee", "chelsea")):
            brenlow.write(point / f"{name}.png", noisy(brenlow.read(reference / f"{name}.png"), amount, seed))
            (point / f"{name}.bin").write_bytes(bytes(1000 * (90 - quality)))
    evaluated = brenlow.evaluate(reference, decoded, name="mine", out=tmp_path / "python", measures="none")
    printed = run_cli("evaluate", "--reference", reference, "--decoded", decoded, "--name", "mine", "--measures", "none").stdout
    assert figures(evaluated.csv()) == figures(printed)
    assert evaluated.codecs == ["mine"] and evaluated.items_made == 2
    assert figures(brenlow.load(tmp_path / "python").csv()) == figures(printed)
    with pytest.raises(brenlow.UsageError, match="name of a codec"):
        brenlow.evaluate(reference, decoded, name="jpeg")


def test_a_script_of_files_alone_never_loads_numpy(two_pictures, tmp_path):
    """NumPy takes a tenth of a second to load, which a script calling the module per picture pays each
    time: one that hands in files, sweeps, reads the results and measures goes without it."""
    script = ("import sys, brenlow\n"
              "results = brenlow.sweep(sys.argv[1:], 'jpeg', qualities='40,80', measures='none', out='results')\n"
              "assert len(results.points) == 4, results.points\n"
              "assert not results.failed\n"
              "assert brenlow.measure(sys.argv[1], sys.argv[2], measures='none')['psnr'] > 0\n"
              "print('numpy' in sys.modules)\n")
    done = subprocess.run([sys.executable, "-c", script, *map(str, two_pictures)], capture_output=True, text=True,
                          cwd=tmp_path)
    assert done.returncode == 0, done.stderr
    assert done.stdout.strip() == "False"

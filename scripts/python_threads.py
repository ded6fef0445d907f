#!/usr/bin/python3
"""Two 12-megapixel picture pairs measured from Python one after another, then on two threads at once.

brenlow.measure lets go of the interpreter's lock while the core measures, so the second thread's
pair is measured while the first one's is: the two at once take less wall-clock time than one after
another (how much less depends on how many cores the measures' own threads leave free), and the
calling thread goes on running meanwhile. Run with the module on the path:

    PYTHONPATH=build/python /usr/bin/python3 scripts/python_threads.py [--measures ms_ssim] [--megapixels 12]
"""

import argparse
import math
import os
import threading
import time
from pathlib import Path

import numpy as np

import brenlow

SOURCE = Path(__file__).resolve().parents[1]
PHOTOS = [SOURCE / "samples" / "astronaut.bmp", SOURCE / "tests" / "data" / "coffee.bmp"]


def large_pair(photo, megapixels):
    """The photo tiled, mirrored tile by tile so that no seam shows, to 4:3 of that many megapixels,
    and its JPEG at quality 40."""
    height = int(math.sqrt(megapixels * 1e6 * 3 / 4))
    width = height * 4 // 3
    pixels = brenlow.read(photo)
    pair = np.concatenate([pixels, pixels[:, ::-1]], axis=1)
    block = np.concatenate([pair, pair[::-1]], axis=0)
    rows, columns = -(-height // block.shape[0]), -(-width // block.shape[1])
    reference = np.ascontiguousarray(np.tile(block, (rows, columns, 1))[:height, :width])
    return reference, brenlow.Codec("jpeg").code(reference, 40).decoded


def timed(work):
    """Wall-clock and processor seconds of the whole process while `work` runs."""
    wall, cpu = time.perf_counter(), time.process_time()
    work()
    return time.perf_counter() - wall, time.process_time() - cpu


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    every = ",".join(dict.fromkeys(info.group for info in brenlow.measures() if info.group))
    parser.add_argument("--measures", default=every,
                        help=f"the slower measures, as brenlow-cli's --measures (default: all of them, {every}; "
                             "Butteraugli is n/a above 4 megapixels)")
    parser.add_argument("--megapixels", type=float, default=12.0)
    arguments = parser.parse_args()

    pairs = [large_pair(photo, arguments.megapixels) for photo in PHOTOS]
    height, width = pairs[0][0].shape[:2]
    print(f"two pairs of {width} x {height} ({width * height / 1e6:.1f} MP), measures {arguments.measures}, "
          f"{os.cpu_count()} cores")

    figures = [None, None]

    def measure(which):
        figures[which] = brenlow.measure(*pairs[which], measures=arguments.measures)

    def one_after_another():
        measure(0)
        measure(1)

    longest_pause = [0.0]

    def side_by_side():
        # Meanwhile this thread ticks: had the measures held the interpreter's lock, it would stand
        # still for the whole of each one.
        threads = [threading.Thread(target=measure, args=(which,)) for which in (0, 1)]
        last = time.perf_counter()
        for thread in threads:
            thread.start()
        while any(thread.is_alive() for thread in threads):
            time.sleep(0.002)  # ticking without taking a core from the measures
            now = time.perf_counter()
            longest_pause[0] = max(longest_pause[0], now - last)
            last = now
        for thread in threads:
            thread.join()

    measure(0)  # the first call readies what every later one shares
    sequential_figures = None
    for name, work in (("one after another", one_after_another), ("two threads at once", side_by_side)):
        wall, cpu = timed(work)
        print(f"{name:20} {wall:7.2f} s wall-clock, {cpu:7.2f} s of processor time ({cpu / wall:.2f} cores busy)")
        if sequential_figures is None:
            sequential_figures = list(figures)
    assert figures == sequential_figures, "the figures of the two runs differ"
    print(f"the calling thread, ticking every 2 ms meanwhile, stood still at most {longest_pause[0]:.3f} s at a time")
    print(f"the same figures either way: PSNR {figures[0]['psnr']:.4f} and {figures[1]['psnr']:.4f} dB")


if __name__ == "__main__":
    main()

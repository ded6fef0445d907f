"""A codec of one's own as two Python functions, coded through Brenlow's core."""

import subprocess
import sys
import threading
import time
import weakref

import numpy as np
import pytest

import brenlow


def quantised(pixels, quality):
    """A small lossy codec: the size, then every sample rounded down to a step that grows as the quality falls."""
    step = 101 - quality
    height, width, _ = pixels.shape
    return np.array([height, width], dtype="<u4").tobytes() + (pixels // step * step).astype(np.uint8).tobytes()


def unquantised(data):
    height, width = np.frombuffer(data[:8], dtype="<u4")
    return np.frombuffer(data[8:], dtype=np.uint8).reshape(int(height), int(width), 3)


def coded_by(codec_string, pixels, quality):
    """The coded file and decoded pixels, as a sweep point codes them."""
    coded = brenlow.Codec(codec_string).code(pixels, quality)
    return coded.data, coded.decoded


@pytest.fixture(scope="module")
def coffee(pictures):
    return brenlow.read(pictures["coffee"])


def test_a_numpy_codec_codes_through_the_core_as_its_functions_do(coffee):
    info = brenlow.PythonCodec("py-quantise", quantised, unquantised, qualities=(1, 100), version="1").info
    assert (info.name, info.library, info.qualities, info.several_at_once) == (
        "py-quantise", "Python functions, version 1", (1, 100), False)
    data, decoded = coded_by("py-quantise", coffee, 40)
    assert data == quantised(coffee, 40)
    assert np.array_equal(decoded, unquantised(data))
    assert not np.array_equal(decoded, coffee)

    strided = coffee[::2, ::3]
    data, decoded = coded_by("py-quantise", strided, 100)
    assert np.array_equal(decoded, strided), "quality 100 keeps every sample"


def test_a_codec_added_again_codes_with_its_new_functions_and_version(coffee):
    brenlow.PythonCodec("py-again", quantised, unquantised, version="1")
    again = brenlow.PythonCodec("py-again", lambda pixels, quality: quantised(pixels, 100), unquantised, version=2)
    assert again.info.library == "Python functions, version 2"
    data, decoded = coded_by("py-again", coffee, 10)
    assert np.array_equal(decoded, coffee)


def test_the_registry_keeps_the_functions_until_they_are_replaced():
    class Encoder:
        def __call__(self, pixels, quality):
            return quantised(pixels, quality)

    first = Encoder()
    kept = weakref.ref(first)
    brenlow.PythonCodec("py-let-go", first, unquantised)
    del first
    assert kept() is not None
    brenlow.PythonCodec("py-let-go", quantised, unquantised)
    assert kept() is None


def test_an_exception_inside_is_an_error_with_its_type_and_text(coffee):
    def failing(pixels, quality):
        raise ValueError(f"no mode for quality {quality}")

    brenlow.PythonCodec("py-raises", failing, unquantised)
    with pytest.raises(brenlow.Error, match=r'encode function of the codec "py-raises" raised ValueError: '
                                            r"no mode for quality 30"):
        coded_by("py-raises", coffee, 30)

    brenlow.PythonCodec("py-raises", quantised, lambda data: 1 / 0)
    with pytest.raises(brenlow.Error, match="decode function .* raised ZeroDivisionError: division by zero"):
        coded_by("py-raises", coffee, 30)


def test_an_interrupt_inside_reaches_the_caller_once_the_call_is_over(coffee):
    def interrupted(pixels, quality):
        raise KeyboardInterrupt

    brenlow.PythonCodec("py-interrupted", interrupted, unquantised)
    with pytest.raises(KeyboardInterrupt):
        try:
            coded_by("py-interrupted", coffee, 50)
        except brenlow.Error:
            pass  # the coding failed; the interrupt is still to come
        time.sleep(0.2)


@pytest.mark.parametrize("encode, decode, said", [
    (lambda pixels, quality: "text", unquantised, r"encode function .* returned a str; it must return the coded "
                                                  r"file as bytes"),
    (quantised, lambda data: unquantised(data).astype(np.float64),
     r"decode function .* returned an array of float64 shaped \(\d+, \d+, 3\); it must return the picture as a "
     r"\(height, width, 3\) numpy array of uint8"),
    (quantised, lambda data: unquantised(data)[:, :, 0], r"returned an array of uint8 shaped \(\d+, \d+\)"),
    (quantised, lambda data: None, "decode function .* returned a NoneType"),
])
def test_a_wrong_return_is_refused_saying_what_to_return(coffee, encode, decode, said):
    brenlow.PythonCodec("py-wrong", encode, decode)
    with pytest.raises(brenlow.Error, match=said):
        coded_by("py-wrong", coffee, 50)


def test_calls_from_several_threads_are_made_one_at_a_time(coffee):
    inside, most = [0], [0]
    lock = threading.Lock()

    def slow(pixels, quality):
        with lock:
            inside[0] += 1
            most[0] = max(most[0], inside[0])
        time.sleep(0.05)  # lets the GIL go, as a real codec's own code would
        with lock:
            inside[0] -= 1
        return quantised(pixels, quality)

    brenlow.PythonCodec("py-turns", slow, unquantised)
    small = np.ascontiguousarray(coffee[:16, :16])
    errors = []

    def code():
        try:
            coded_by("py-turns", small, 50)
        except Exception as error:  # noqa: BLE001  (reported below)
            errors.append(error)

    threads = [threading.Thread(target=code) for _ in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert not errors
    assert most[0] == 1


def test_what_cannot_be_a_codec_is_refused():
    with pytest.raises(brenlow.Error, match='"jpeg" is already given by this build'):
        brenlow.PythonCodec("jpeg", quantised, unquantised)
    with pytest.raises(brenlow.UsageError, match="encode is a str; pass a function that takes"):
        brenlow.PythonCodec("py-bad", "quantised", unquantised)
    with pytest.raises(brenlow.UsageError, match="10 to 1 is not such a range"):
        brenlow.PythonCodec("py-bad", quantised, unquantised, qualities=(10, 1))
    with pytest.raises(brenlow.UsageError, match="a codec's name is"):
        brenlow.PythonCodec("py bad", quantised, unquantised)


def test_the_interpreter_ends_cleanly_with_a_codec_added_and_used(pictures):
    script = f"""
import numpy as np
import brenlow
brenlow.PythonCodec("py-exit", lambda p, q: p.tobytes(), lambda d: np.zeros((2, 2, 3), np.uint8))
codec = brenlow.PythonCodec("py-exit", lambda p, q: p.tobytes() + b"!", lambda d: np.zeros((2, 2, 3), np.uint8))
codec.code(np.zeros((2, 2, 3), np.uint8), 50)
print("done")
"""
    finished = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=60)
    assert finished.returncode == 0, finished.stderr
    assert finished.stdout == "done\n"


def test_python_codec_gives_a_codec_of_its_name(coffee):
    codec = brenlow.PythonCodec("py-codec", quantised, unquantised, qualities=(1, 100), version="3")
    assert codec.name == "py-codec"
    data = codec.encode(coffee, 60)
    assert data == quantised(coffee, 60)
    assert np.array_equal(codec.decode(data), unquantised(data))


def test_a_sweep_runs_it_on_the_cores_threads_and_a_new_version_remakes_only_its_items(pictures, tmp_path):
    # The calling thread waits without the GIL, so the core's threads can call the functions: a
    # sweep that held it would never end.
    brenlow.PythonCodec("py-swept", quantised, unquantised, qualities=(1, 100), version="1")
    request = dict(qualities=[20, 60], measures="none", out=tmp_path / "out", jobs=2)
    first = brenlow.sweep([pictures["coffee"], pictures["chelsea"]], ["py-swept", "jpeg"], **request)
    assert (first.items_made, first.items_reused) == (4, 0)
    assert sorted({point["codec"] for point in first.points}) == ["jpeg", "py-swept"]

    again = brenlow.sweep([pictures["coffee"], pictures["chelsea"]], ["py-swept", "jpeg"], **request)
    assert (again.items_made, again.items_reused) == (0, 4)

    brenlow.PythonCodec("py-swept", lambda pixels, quality: quantised(pixels, min(quality + 20, 100)), unquantised,
                        version="2")
    remade = brenlow.sweep([pictures["coffee"], pictures["chelsea"]], ["py-swept", "jpeg"], **request)
    assert (remade.items_made, remade.items_reused) == (2, 2), "only the changed codec's items are made again"
    psnr = {(p["picture"], p["codec"], p["quality"]): p["psnr"] for p in first.points}
    for point in remade.points:
        key = (point["picture"], point["codec"], point["quality"])
        assert (point["psnr"] == psnr[key]) == (point["codec"] == "jpeg"), key

"""Pictures between files and numpy arrays: what is read is what the core reads, nothing lost on the
way back, and arrays the core cannot take refused with a message that says what to pass."""

import numpy as np
import pytest

import brenlow


def test_read_gives_rgb_rows_top_first(pictures, tmp_path):
    pixels = brenlow.read(pictures["coffee"])
    assert pixels.shape == (400, 600, 3) and pixels.dtype == np.uint8
    # A bitmap stores its bottom row first: a reader that kept that order, or blue first, would
    # give another picture than its PNG twin.
    brenlow.write(tmp_path / "twin.png", pixels)
    np.testing.assert_array_equal(brenlow.read(tmp_path / "twin.png"), pixels)
    stripes = np.zeros((4, 5, 3), np.uint8)
    stripes[0, :, 0] = 255  # a red top row
    brenlow.write(tmp_path / "stripes.bmp", stripes)
    np.testing.assert_array_equal(brenlow.read(tmp_path / "stripes.bmp"), stripes)


@pytest.mark.parametrize("extension", [".bmp", ".png", ".ppm", ".tif"])
def test_write_is_lossless_in_every_format_it_takes(extension, tmp_path):
    noise = np.random.default_rng(7).integers(0, 256, (33, 17, 3), dtype=np.uint8)
    brenlow.write(tmp_path / f"noise{extension}", noise)
    np.testing.assert_array_equal(brenlow.read(tmp_path / f"noise{extension}"), noise)


def test_arrays_of_other_layouts_are_taken_as_they_look(tmp_path):
    noise = np.random.default_rng(3).integers(0, 256, (20, 30, 3), dtype=np.uint8)
    for view in (noise[:, ::-1], noise[::2], np.asfortranarray(noise), noise[5:15, 4:20]):
        brenlow.write(tmp_path / "view.png", view)
        np.testing.assert_array_equal(brenlow.read(tmp_path / "view.png"), view)


@pytest.mark.parametrize(
    "pixels, says",
    [
        (np.zeros((4, 4, 3), np.float32), "float32"),
        (np.zeros((4, 4, 4), np.uint8), "alpha"),
        (np.zeros((4, 4), np.uint8), "(4, 4)"),
        (np.zeros((0, 4, 3), np.uint8), "(0, 4, 3)"),
    ],
)
def test_arrays_the_core_cannot_take_are_refused_saying_what_to_pass(pixels, says, tmp_path):
    with pytest.raises(brenlow.UsageError, match="uint8") as refused:
        brenlow.write(tmp_path / "out.png", pixels)
    assert says in str(refused.value)
    assert isinstance(refused.value, ValueError)
    assert not (tmp_path / "out.png").exists()


def test_files_that_cannot_be_read_or_written_raise_os_errors_naming_them(pictures, tmp_path):
    with pytest.raises(brenlow.FileError) as missing:
        brenlow.read(tmp_path / "missing.bmp")
    assert isinstance(missing.value, OSError) and "missing.bmp" in str(missing.value)
    assert missing.value.filename.endswith("missing.bmp")
    not_a_picture = tmp_path / "notes.png"
    not_a_picture.write_text("not a picture")
    with pytest.raises(brenlow.FileError, match="notes.png"):
        brenlow.read(not_a_picture)
    with pytest.raises(OSError, match="no-such-folder"):
        brenlow.write(tmp_path / "no-such-folder" / "out.png", brenlow.read(pictures["coffee"]))
    with pytest.raises(brenlow.UsageError, match="without loss"):
        brenlow.write(tmp_path / "out.jpg", brenlow.read(pictures["coffee"]))


def test_versions_are_the_command_lines(pictures):
    from conftest import run_cli

    listed = run_cli("-V").stdout
    assert listed.splitlines()[0] == f"brenlow-cli {brenlow.__version__}"
    for library, version in brenlow.versions().items():
        if library not in ("brenlow", "qt"):
            assert version in listed, library


def linear_light_png(pixels, path):
    """A PNG of the pixels that declares gamma 1.0: linear light, not sRGB."""
    import struct
    import zlib

    brenlow.write(path, pixels)
    data = path.read_bytes()
    chunk = b"gAMA" + struct.pack(">I", 100000)
    end_of_header = 8 + 8 + 13 + 4
    path.write_bytes(data[:end_of_header] + struct.pack(">I", 4) + chunk + struct.pack(">I", zlib.crc32(chunk))
                     + data[end_of_header:])
    return path


def test_a_picture_in_other_colours_than_srgb_is_noted_as_a_warning(pictures, tmp_path):
    import warnings

    pixels = brenlow.read(pictures["coffee"])
    with pytest.warns(brenlow.PictureNote, match="linear.png"):
        brenlow.read(linear_light_png(pixels, tmp_path / "linear.png"))
    # A filter that turns warnings into errors cannot fail the reading thread that notes it.
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        np.testing.assert_array_equal(brenlow.read(linear_light_png(pixels, tmp_path / "again.png")), pixels)

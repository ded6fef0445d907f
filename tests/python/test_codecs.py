"""Codecs from Python: the command line's list and codec strings, pictures coded in memory to the same
bytes and pixels that `brenlow-cli code` writes, codecs described by commands, and the errors of each."""

import json
import shutil
import sys
from pathlib import Path

import numpy as np
import pytest

import brenlow
from conftest import cli_json, run_cli


def test_codecs_are_listed_as_the_command_line_lists_them():
    listed = cli_json("codecs")["codecs"]
    # Those the build has; codecs described by commands that another test added come after them.
    infos = brenlow.codecs()[:len(listed)]
    assert [info.name for info in infos] == [codec["name"] for codec in listed]
    for info, codec in zip(infos, listed):
        assert info.title == codec["title"]
        assert info.extension == codec["extension"]
        assert info.qualities == (codec["qualities"]["lowest"], codec["qualities"]["highest"])
        assert info.settings == codec["settings"]
        assert info.defaults == codec["defaults"]
        assert info.library == codec["library"]
        assert info.described_by_commands is False
        assert info.name in repr(info)
    webp = brenlow.Codec("webp").info
    assert webp.name == "webp" and webp.settings[0]["key"] == "method"


# Each kind of codec: ours (JPEG, and the two containers), and the libraries' at settings of their own.
CODED_AS_THE_CLI_CODES = [
    ("jpeg", 35),
    ("jpeg:subsampling=444", 80),
    ("avc:divisor=3", 60),
    ("ajc", 70),
    ("webp:method=2", 50),
    ("avif:speed=9:yuv=444", 40),
    ("jxl:effort=3", 75),
    ("jp2", 60),
]


@pytest.mark.parametrize("codec_text, quality", CODED_AS_THE_CLI_CODES)
def test_code_gives_the_bytes_pixels_and_bits_per_pixel_of_the_command_line(codec_text, quality, pictures, tmp_path):
    source = tmp_path / "coffee.bmp"
    shutil.copy(pictures["coffee"], source)
    codec = brenlow.Codec(codec_text)
    coded = codec.code(brenlow.read(source), quality)

    printed = cli_json("code", "--codec", codec_text, "-q", quality, source)
    coded_file = tmp_path / Path(printed["coded_file"]).name
    assert coded.data == coded_file.read_bytes()
    assert len(coded.data) == printed["sizes"]["coded"]
    assert coded.bits_per_pixel == printed["measures"]["bits_per_pixel"]
    decoded_file = tmp_path / "coffee~.bmp"
    if not decoded_file.exists():  # the full-size container's command writes its file alone
        run_cli("decode", coded_file, "-o", decoded_file)
    np.testing.assert_array_equal(coded.decoded, brenlow.read(decoded_file))
    assert coded.decoded.shape == (400, 600, 3) and coded.decoded.dtype == np.uint8

    assert coded.quality == quality and coded.codec == codec and coded.codec.codec_string == codec_text
    assert coded.encode_seconds > 0 and coded.decode_seconds > 0
    assert coded.encode_cpu_seconds >= 0 and coded.decode_cpu_seconds >= 0
    # encode and decode on their own give what code gives.
    assert codec.encode(brenlow.read(source), quality) == coded.data
    np.testing.assert_array_equal(codec.decode(coded.data, quality), coded.decoded)


def test_code_then_measure_give_every_figure_code_prints(pictures, tmp_path):
    source = tmp_path / "chelsea.bmp"
    shutil.copy(pictures["chelsea"], source)
    coded = brenlow.Codec("avif:speed=8:yuv=444").code(brenlow.read(source), 50)
    printed = cli_json("code", "--codec", "avif:speed=8:yuv=444", "-q", 50, source)["measures"]
    figures = dict(brenlow.measure(source, coded.decoded), bits_per_pixel=coded.bits_per_pixel)
    assert figures == {key: float(value) if isinstance(value, str) else value for key, value in printed.items()}


def test_codec_names_its_codec_and_settings():
    codec = brenlow.Codec("avif:speed=8:yuv=444")
    assert codec.codec_string == "avif:speed=8:yuv=444"
    assert codec.name == "avif"
    assert codec.info.name == "avif"
    assert repr(codec) == "Codec('avif:speed=8:yuv=444')"
    assert codec == brenlow.Codec("avif:speed=8:yuv=444") and codec != brenlow.Codec("avif")
    assert len({codec, brenlow.Codec("avif:speed=8:yuv=444")}) == 1


def test_decode_takes_any_bytes_like_object(pictures):
    codec = brenlow.Codec("webp")
    data = codec.encode(brenlow.read(pictures["chelsea"]), 60)
    expected = codec.decode(data)
    for same in (bytearray(data), memoryview(data), np.frombuffer(data, np.uint8)):
        np.testing.assert_array_equal(codec.decode(same), expected)
    with pytest.raises(brenlow.UsageError, match="contiguous"):
        codec.decode(memoryview(data)[::2])


def test_pixels_of_any_layout_are_coded_as_they_look(pictures):
    pixels = brenlow.read(pictures["chelsea"])
    codec = brenlow.Codec("jpeg")
    flipped = pixels[:, ::-1]
    assert codec.encode(flipped, 70) == codec.encode(np.ascontiguousarray(flipped), 70)


@pytest.mark.parametrize(
    "codec_text, says",
    [
        ("nonesuch", "nonesuch"),
        ("webp:colour=5", "colour"),
        ("avif:speed=11", "speed"),
        ("", "codec"),
    ],
)
def test_codec_strings_that_do_not_read_are_usage_errors(codec_text, says):
    with pytest.raises(brenlow.UsageError, match=says) as refused:
        brenlow.Codec(codec_text)
    assert isinstance(refused.value, ValueError)


def test_bad_qualities_pixels_and_data_are_refused_saying_why(pictures):
    codec = brenlow.Codec("avc")
    pixels = brenlow.read(pictures["chelsea"])
    with pytest.raises(brenlow.UsageError, match="1 to 100; 0 is not"):
        codec.encode(pixels, 0)
    with pytest.raises(brenlow.UsageError, match="1 to 100; 101"):
        codec.code(pixels, 101)
    with pytest.raises(brenlow.UsageError, match="float64"):
        codec.encode(pixels / 255.0, 50)
    with pytest.raises(brenlow.Error) as not_webp:
        brenlow.Codec("webp").decode(b"this is not a coded picture")
    assert not isinstance(not_webp.value, brenlow.UsageError)


def write_copy_codec(path, name="py-copy"):
    """A codec described by commands that copies the picture as PPM, its qualities 1 to 9."""
    copy = [sys.executable, "-c", "import shutil, sys; shutil.copy(sys.argv[1], sys.argv[2])"]
    path.write_text(json.dumps([{
        "name": name,
        "encode": copy + ["{input}", "{output}"],
        "decode": copy + ["{input}", "{output}"],
        "format": "ppm",
        "extension": ".cp",
        "quality": {"min": 1, "max": 9},
    }]))
    return path


def test_codec_file_adds_codecs_that_code_as_the_command_line_codes_them(pictures, tmp_path):
    description = write_copy_codec(tmp_path / "copy.json")
    (codec,) = brenlow.codec_file(description)
    assert codec.name == "py-copy" and codec.codec_string == "py-copy"
    assert codec.info.described_by_commands and codec.info.qualities == (1, 9)
    assert "py-copy" in [info.name for info in brenlow.codecs()]
    assert brenlow.Codec("py-copy") == codec
    # The same file again is no second codec.
    assert brenlow.codec_file(str(description)) == [codec]

    source = tmp_path / "chelsea.bmp"
    shutil.copy(pictures["chelsea"], source)
    pixels = brenlow.read(source)
    coded = codec.code(pixels, 5)
    np.testing.assert_array_equal(coded.decoded, pixels)
    printed = cli_json("code", "--codec-file", description, "--codec", "py-copy", "-q", 5, source)
    assert coded.data == (tmp_path / "chelsea.cp").read_bytes()
    assert coded.bits_per_pixel == printed["measures"]["bits_per_pixel"]
    listed = [c for c in cli_json("codecs", "--codec-file", description)["codecs"] if c["name"] == "py-copy"]
    assert codec.info.settings == listed[0]["settings"] and codec.info.library == listed[0]["library"]


def test_codec_files_that_cannot_be_used_raise_file_errors_naming_them(tmp_path):
    with pytest.raises(brenlow.FileError) as missing:
        brenlow.codec_file(tmp_path / "missing.json")
    assert isinstance(missing.value, OSError)
    assert missing.value.filename.endswith("missing.json") and "missing.json" in str(missing.value)

    broken = tmp_path / "broken.json"
    broken.write_text('{"name": "broken", "encode": ')
    with pytest.raises(brenlow.FileError, match="broken.json.*is not JSON") as not_json:
        brenlow.codec_file(broken)
    assert not_json.value.filename == str(broken)

    # A second file may not give a codec of a name taken already; the message says which file did.
    clash = write_copy_codec(tmp_path / "clash.json", name="py-clash")
    write_copy_codec(tmp_path / "first.json", name="py-clash")
    brenlow.codec_file(tmp_path / "first.json")
    with pytest.raises(brenlow.FileError, match="first.json") as taken:
        brenlow.codec_file(clash)
    assert taken.value.filename == str(clash)

"""Sweeps, evaluations and result folders from Python, with the figures, files and folders of
brenlow-cli: a folder written here is read by `brenlow-cli merge` and `report`, and the other way round."""

import csv
import io
import json
import math
import operator
import os
import re
import sys
import tempfile
from pathlib import Path


from brenlow import _core

_WHOLE = re.compile(r"-?\d+")
_DECIMAL = re.compile(r"-?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?|-?inf|nan")
_METHODS = ("cubic", "pchip")


def _value(text):
    """A CSV cell as Python reads it: whole numbers as int, decimals as float ("inf" too), "n/a" and
    empty cells as None, other text as it stands."""
    if text in ("", "n/a"):
        return None
    if _WHOLE.fullmatch(text):
        return int(text)
    if _DECIMAL.fullmatch(text):
        return float(text)
    return text


# Columns of names and text, kept as text even when they read as numbers (a codec named "2.0").
_TEXT_COLUMNS = {"picture", "codec", "settings", "report"}


def _rows(csv_text):
    return [{key: cell if key in _TEXT_COLUMNS else _value(cell) for key, cell in row.items()}
            for row in csv.DictReader(io.StringIO(csv_text))]


def _names(value):
    """One name, a comma-separated text of them, or an iterable of them, as a list."""
    if isinstance(value, str):
        return [part.strip() for part in value.split(",")]
    return [str(name) for name in value]


def _qualities_text(qualities):
    """Qualities as the command line writes them: "FROM:TO:STEP", "25,50,75", one whole number or
    an iterable of them."""
    if isinstance(qualities, str):
        return qualities
    if isinstance(qualities, int):
        return str(qualities)
    return ",".join(str(operator.index(quality)) for quality in qualities)


def _qualities_for_texts(qualities_for):
    """{curve: qualities} or "CURVE=QUALITIES" texts as the command line's CURVE=QUALITIES texts."""
    if qualities_for is None:
        return []
    if isinstance(qualities_for, str):
        return [qualities_for]
    if isinstance(qualities_for, dict):
        return [f"{curve}={_qualities_text(qualities)}" for curve, qualities in qualities_for.items()]
    return list(qualities_for)


def _bpp_text(bpp):
    if bpp is None or isinstance(bpp, str):
        return bpp
    if isinstance(bpp, (int, float)):
        bpp = [bpp]
    return ",".join(repr(float(size)) for size in bpp)


def _codec_string(codec):
    """A codec string, or the .codec_string of a brenlow.Codec (or any object that has one)."""
    if isinstance(codec, str):
        return codec
    text = getattr(codec, "codec_string", None)
    if not isinstance(text, str):
        raise _core.UsageError(f"codecs: {codec!r} is neither a codec string nor a brenlow.Codec")
    return text


def _numpy():
    import numpy

    return numpy


def _is_array(value):
    """Whether value is a NumPy array. NumPy is looked for only where the caller loaded it, as it must
    have to hand one in: a script of files alone starts without loading it."""
    numpy = sys.modules.get("numpy")
    return numpy is not None and isinstance(value, numpy.ndarray)


def _array_file(folder, index, pixels):
    """The array as a PNG in `folder`, written without loss; a file that already holds these pixels
    is left as it is, so that a resumed sweep takes its items as they were."""
    path = Path(folder) / f"array-{index}.png"
    if path.exists():
        try:
            if _numpy().array_equal(_core.read(path), pixels):
                return path
        except _core.Error:
            pass
    path.parent.mkdir(parents=True, exist_ok=True)
    _core.write(path, pixels)
    return path


_SPREADS = (None, "sd", "ci95")
# Figure widths in inches: a column of a two-column paper, and its whole page.
_WIDTHS = {"column": 3.5, "page": 7.0}
# The core's marker shapes as matplotlib's.
_MARKERS = {"circle": "o", "square": "s", "triangle": "^", "diamond": "D", "cross": "x", "plus": "+", "star": "*"}


def _new_axes(count, width):
    import matplotlib.pyplot as pyplot

    if width is None:
        figure = pyplot.figure()
    else:
        inches = _WIDTHS[width]
        figure = pyplot.figure(figsize=(inches, inches / count * 0.75), layout="constrained")
    return list(figure.subplots(1, count, squeeze=False)[0])


def _axis_title(key, infos):
    """The measure as a reader knows it, with its unit: "PSNR luma (dB)"."""
    info = infos.get(key)
    if info is None and key.endswith("_db") and key[:-3] in infos:  # a measure's dB scale, on curves only
        return f"{infos[key[:-3]].label} (dB)"
    if info is None:
        return key
    return f"{info.label} ({info.unit})" if info.unit and f"({info.unit})" not in info.label else info.label


def _half_width(deviations, counts, key, spread):
    deviation = deviations.get(key)
    if deviation is None:
        return 0.0
    if spread == "ci95":
        return _core.interval95_half_width(deviation, counts[key])
    return deviation


def _draw_measure(ax, rows, codecs, key, spread):
    """One line per codec in its style, with error bars of the spread over the pictures if asked:
    `rows` pairs each aggregate row with its deviations and counts."""
    curves = {codec: [] for codec in codecs}
    for row, (deviations, counts) in rows:
        if row["codec"] in curves and row[key] is not None and math.isfinite(row[key]):
            curves[row["codec"]].append((row["bits_per_pixel"], row[key], _half_width(deviations, counts, key, spread)))
    for codec, style in zip(codecs, _core.curve_styles(codecs)):
        if not curves[codec]:
            continue
        rates, values, half_widths = (list(column) for column in zip(*sorted(curves[codec])))
        ax.plot(rates, values, color=style.colour, marker=_MARKERS[style.marker], markersize=4,
                linestyle=(0, tuple(style.dash)) if style.dash else "-", label=codec)
        if spread is not None:
            ax.errorbar(rates, values, yerr=[0.0 if math.isnan(width) else width for width in half_widths],
                        fmt="none", ecolor=style.colour, elinewidth=0.8)


class Results:
    """A data set's results: every point of every picture, the aggregate per codec and quality (or
    size target), the failed items, and the delta rates between the curves, as brenlow-cli gives them.

    Made by brenlow.sweep, brenlow.evaluate and brenlow.load; `.items_made` and `.items_reused` say
    what the run did (what it coded and measured now, and what it took from its result folder)."""

    def __init__(self, data_set, keep=None):
        self._data = data_set
        self._keep = keep  # a temporary folder its pictures live in, removed with the results
        self._points = None
        self._aggregate = None

    def __repr__(self):
        return (f"<brenlow.Results: {len(self.pictures)} pictures, codecs {', '.join(self.codecs)}, "
                f"{len(self.points)} points, {len(self.failed)} failed>")

    @property
    def points(self):
        """Every point as a dict whose keys are the columns of `brenlow-cli sweep --out` CSV (picture,
        codec, quality, bits_per_pixel, the measures, ...): numbers as int or float, "n/a" as None."""
        if self._points is None:
            self._points = _rows(self._data.points_csv())
        return self._points

    @property
    def aggregate(self):
        """The aggregate as dicts whose keys are the columns of `brenlow-cli sweep --aggregate-csv`:
        per codec and quality, the mean bits per pixel and each measure's mean over the pictures."""
        if self._aggregate is None:
            self._aggregate = _rows(self._data.aggregate_csv())
        return self._aggregate

    @property
    def failed(self):
        """The items that failed, left out of every figure: dicts of picture, codec and reason."""
        return self._data.failed()

    @property
    def anchor(self):
        """The curve delta rates are taken against unless bd_rates names another."""
        return self._data.anchor

    @property
    def pictures(self):
        """The data set's pictures, as its results name them."""
        return self._data.pictures

    @property
    def codecs(self):
        """The names of the data set's curves, in its order."""
        return self._data.codecs

    @property
    def folders(self):
        """The result folders the results were written to or read from."""
        return self._data.folders

    @property
    def items_made(self):
        """The items (a picture with a codec) coded and measured by this run."""
        return self._data.items_made

    @property
    def items_reused(self):
        """The items this run took as they were from its result folder."""
        return self._data.items_reused

    def csv(self):
        """The points as the CSV text `brenlow-cli sweep` prints for a data set."""
        return self._data.points_csv()

    def aggregate_csv(self):
        """The aggregate as the CSV text `brenlow-cli sweep --aggregate-csv` writes."""
        return self._data.aggregate_csv()

    def json(self):
        """The whole data set as the object `brenlow-cli sweep --json` prints for it."""
        return json.loads(self._data.json())

    def bd_rates(self, anchor=None, measures=None, method="pchip"):
        """The delta rates of each curve's aggregate against the anchor's, as the rows of the
        command line's JSON (bd_rate.aggregate): codec, measure, interpolation, rate_percent and
        quality_delta (each with its value and how much of the curves' ranges they share).

        anchor: a curve of the data set (default: its anchor); measures: a measure key or a list of
        them (default: every measure taken); method: "pchip", "cubic", or None for both."""
        if method is not None and method not in _METHODS:
            raise _core.UsageError(f'method: "{method}" is not one of {", ".join(_METHODS)} or None')
        rows = json.loads(self._data.bd_rates_json(anchor))["rows"]
        if measures is not None:
            asked = _names(measures)
            known = list(dict.fromkeys(row["measure"] for row in rows))
            for name in asked:
                if name not in known:
                    raise _core.UsageError(f'measures: "{name}" is not one of the measures taken: {", ".join(known)}')
            rows = [row for row in rows if row["measure"] in asked]
        return [row for row in rows if method is None or row["interpolation"] == method]

    def dataframe(self, aggregate=False):
        """The points (or with aggregate=True the aggregate) as a pandas DataFrame, one row each."""
        import pandas

        return pandas.DataFrame(self.aggregate if aggregate else self.points)

    def plot(self, measure="psnr", ax=None, *, spread=None, width=None):
        """Draws each codec's aggregate curve, bits per pixel on x against the measure's mean on y,
        with matplotlib, as `brenlow-cli report --figures` draws it: each curve in its colour, marker
        and dash (brenlow.curve_styles), the axes titled with their units. Returns the Axes.

        measure: a measure key, or a list of them for one Axes each, side by side (then `ax`, if
            given, is a list of as many Axes, and the list is returned).
        ax: where to draw (default: a new figure's).
        spread: None, "sd" (error bars of the mean +- the standard deviation over the pictures) or
            "ci95" (+- the half width of the mean's 95 % confidence interval).
        width: the new figure's width: "column" (3.5 inches) or "page" (7 inches); default
            matplotlib's."""
        keys = [measure] if isinstance(measure, str) else list(measure)
        taken = [key[:-len("_pictures")] for key in (self.aggregate[0] if self.aggregate else {})
                 if key.endswith("_pictures") and any(row[key] for row in self.aggregate)]
        for key in keys:
            if key not in taken:
                raise _core.UsageError(f'measure: "{key}" is not one the data set has: {", ".join(taken)}')
        if spread not in _SPREADS:
            raise _core.UsageError(f'spread: "{spread}" is not one of None, "sd", "ci95"')
        if width is not None and width not in _WIDTHS:
            raise _core.UsageError(f'width: "{width}" is not one of {", ".join(_WIDTHS)} or None')
        axes = _new_axes(len(keys), width) if ax is None else ([ax] if isinstance(measure, str) else list(_numpy().ravel(ax)))
        if len(axes) != len(keys):
            raise _core.UsageError(f"ax: {len(axes)} Axes for {len(keys)} measures")
        infos = {info.name: info for info in _core.measures()}
        # The table's rows and the JSON's points are the aggregate's in one order; the spread is the JSON's.
        spreads = [(point["deviations"], point["counts"]) for point in self.json()["aggregate"]]
        for key, axes_of_key in zip(keys, axes):
            _draw_measure(axes_of_key, zip(self.aggregate, spreads), self.codecs, key, spread)
            axes_of_key.set_xlabel("bits per pixel")
            axes_of_key.set_ylabel(_axis_title(key, infos))
            axes_of_key.legend(fontsize="small")
        return axes[0] if isinstance(measure, str) else axes

    def report_html(self, path, anchor=None):
        """Writes the data set's HTML report, as `brenlow-cli report --html` writes it, to `path`."""
        self._data.write_report(path, anchor)


def sweep(pictures, codecs, *, qualities=None, qualities_for=None, bpp=None, measures=None, anchor=None,
          out=None, jobs=None, timing_runs=1, progress=None):
    """Codes every picture with every codec at each quality (or to each size) and measures it, as
    `brenlow-cli sweep` does for a data set, and returns the Results.

    pictures: a path, a folder, a pattern ("set/*.png"), a (height, width, 3) uint8 array, or a list
        of them. An array is swept as a PNG of its pixels: in <out>/pictures/array-<index>.png with
        out=, else in a temporary folder.
    codecs: codec strings ("avif:speed=8:yuv=444", "jpeg:label=baseline") or brenlow.Codec objects.
    qualities: "FROM:TO:STEP", "25,50,75" or a list of whole numbers (default as the command line's).
    qualities_for: {codec: qualities}, a codec's own qualities.
    bpp: sizes in bits per pixel to code each picture to instead of the qualities.
    measures: the slower measures to take besides PSNR and SSIM (names or "none").
    anchor: the curve delta rates are taken against (default: jpeg when swept, else the first).
    out: a result folder; its items are filed as they are done, and a later call resumes from them.
    jobs: items coded at once (default: one per core); timing_runs: codings timed per point.
    progress: progress(done, total, item), called on the calling thread as points are done, item
        naming the last one's codec and picture ("jpeg on set/a.png").

    A KeyboardInterrupt (Ctrl-C, a notebook's interrupt, or raised by progress) stops the sweep
    once the items under way have ended, and is raised again; with out= the finished items stay."""
    keep = None
    one_picture = isinstance(pictures, (str, os.PathLike)) or _is_array(pictures)
    items = [pictures] if one_picture else list(pictures)
    paths = []
    for index, item in enumerate(items):
        if _is_array(item):
            if out is not None:
                folder = Path(out) / "pictures"
            else:
                keep = keep or tempfile.TemporaryDirectory(prefix="brenlow-")
                folder = keep.name
            item = _array_file(folder, index, item)
        paths.append(os.fspath(item))
    single = isinstance(codecs, str) or hasattr(codecs, "codec_string")
    codec_strings = [_codec_string(codec) for codec in ([codecs] if single else codecs)]
    data_set = _core._sweep(
        paths, codec_strings,
        qualities=None if qualities is None else _qualities_text(qualities),
        qualities_for=_qualities_for_texts(qualities_for),
        bpp=_bpp_text(bpp),
        measures=None if measures is None else _names(measures),
        anchor=anchor, out=out, jobs=jobs, timing_runs=timing_runs, progress=progress)
    return Results(data_set, keep)


def evaluate(reference, decoded, *, name, out=None, measures=None):
    """Measures a codec that ran elsewhere from its decoded pictures, as `brenlow-cli evaluate`:
    each picture of the `reference` folder against its decoded version in each point's subfolder of
    `decoded`; the curve is called `name`. Every measure is taken unless `measures` names fewer.
    With out= the results are kept there as a sweep keeps them, for load, merge and report."""
    return Results(_core._evaluate(reference, decoded, name=name, out=out,
                                   measures=None if measures is None else _names(measures)))


def load(*folders, anchor=None):
    """The data set of one or more result folders (of brenlow-cli, the workbench or Python); several
    are merged as `brenlow-cli merge` merges them: shards of one run, or other codecs' runs over the
    same pictures."""
    return Results(_core._load(list(folders), anchor))

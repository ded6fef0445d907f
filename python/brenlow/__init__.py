"""Brenlow in Python: pictures, codecs at recorded settings, every measure, sweeps that resume and
BD-rates, with the same figures as brenlow-cli and the workbench."""

from brenlow._core import (  # noqa: F401  (the module's own names)
    Error,
    FileError,
    PictureNote,
    UsageError,
    __version__,
    read,
    versions,
    write,
)

# Codecs, measures and BD-rates.
from brenlow._core import (  # noqa: F401  (the module's own names)
    BdRate,
    Codec,
    CodecInfo,
    Coded,
    MeasureInfo,
    bd_rate,
    codec_file,
    codecs,
    measure,
    measures,
)
# How curves are drawn, and the spread of their means.
from brenlow._core import CurveStyle, curve_styles, interval95_half_width  # noqa: F401,E402
# Sweeps, evaluations and result folders.
from brenlow.results import Results, evaluate, load, sweep  # noqa: F401,E402
# A codec of one's own as two Python functions.
from brenlow._core import PythonCodec  # noqa: F401,E402

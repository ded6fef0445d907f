#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QSize>
#include <string>

#include "anchors/anchor_codec.h"
#include "brenlow/codec.h"
#include "brenlow/measures.h"
#include "brenlow/studies.h"
#include "brenlow/tables.h"
#include "cli/command_line.h"
#include "codecs/still_codecs.h"

namespace brenlow::cli {

// One still command: command, input, parameters, files, sizes, ratio, the report line, every
// measure, the seconds it took and the library versions.
QJsonObject stillRunJson(const Request& request, const StillParameters& parameters, const StillRunResult& result,
                         const StillMeasures& measures, double seconds);

// `code` with an anchor codec or one described by commands: the same figures, with the codec's
// name, settings and library.
QJsonObject anchorRunJson(const Request& request, const CodecEntry& codec, const StillParameters& parameters,
                          const StillRunResult& result, const StillMeasures& measures, double seconds);

// The compare command: both pictures and the measures of B against A.
// compare's object: both pictures' sizes and the common area measured are under "sizes".
QJsonObject compareJson(const Request& request, const PictureMeasures& measures, QSize reference, QSize compared,
                        double seconds);

// A sweep: its settings, one object per point with its timings, and the delta rates against the anchor.
// The colour encoding of the picture a run measured against (its decoded pictures are in it too)
// and the intensity target Butteraugli took.
void addColourJson(QJsonObject& object, const QImage& picture);

// The same for a comparison of two pictures, each in its own encoding.
void addColourJson(QJsonObject& object, const QImage& reference, const QImage& compared);

QJsonObject sweepJson(const Request& request, const SweepSource& source, const SweepOutcome& outcome,
                      const std::string& anchor, const MeasureChoice& measures, double seconds);

}  // namespace brenlow::cli

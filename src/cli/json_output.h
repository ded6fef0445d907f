#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <string>

#include "anchors/anchor_codec.h"
#include "cli/command_line.h"
#include "codecs/still_codecs.h"
#include "research/still_measures.h"
#include "research/dataset_outcome.h"
#include "research/sweep.h"

namespace brenlow::cli {

// Every measure by name; an infinite PSNR is the string "inf" (JSON has no infinity), an
// undefined SSIM is null.
QJsonObject measuresJson(const PictureMeasures& measures);

// One still command: command, input, parameters, files, sizes, ratio, the report line, every
// measure, the seconds it took and the library versions.
QJsonObject stillRunJson(const Request& request, const StillParameters& parameters, const StillRunResult& result,
                         const StillMeasures& measures, double seconds);

// `code` with an anchor codec: the same figures, with the codec's name, settings and library.
QJsonObject anchorRunJson(const Request& request, const AnchorCodec& codec, const StillParameters& parameters,
                          const StillRunResult& result, const StillMeasures& measures, double seconds);

// The compare command: both pictures and the measures of B against A.
QJsonObject compareJson(const Request& request, const PictureMeasures& measures, double seconds);

// A sweep: its settings, one object per point with its timings, and the delta rates against the anchor.
QJsonObject sweepJson(const Request& request, const SweepSource& source, const SweepOutcome& outcome,
                      StillCodec anchor, const MeasureChoice& measures, double seconds);

// A measure's value: a number, "inf" or "-inf", or null for NaN.
QJsonValue measureValue(double value);

// The versions of this program and the libraries its figures depend on, and their object.
LibraryVersions runVersions();
QJsonObject libraryVersionsJson(const LibraryVersions& versions);

// One point of a sweep: codec, quality, sizes, ratio, report line, every measure and its timings.
QJsonObject pointJson(const SweepPoint& point);

// A delta with the share of each curve it was taken over; delta rows as the sweep gives them, and how they are taken.
QJsonObject bdResultJson(const BdResult& result);
QJsonArray deltaRowsJson(const std::vector<DeltaRow>& rows);
const char* deltaMethod();

// The object on one line.
std::string jsonLine(const QJsonObject& object);

}  // namespace brenlow::cli

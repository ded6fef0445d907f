#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <string>
#include <vector>

#include "experiments/dataset_outcome.h"
#include "experiments/sweep.h"
#include "experiments/sweep_report.h"
#include "measures/measures.h"

namespace brenlow {

// A measure's value: a number, "inf" or "-inf" (JSON has no infinity), or null for NaN.
QJsonValue measureValue(double value);

// Every measure by name, with SSIM in dB as curves take it.
QJsonObject measuresJson(const PictureMeasures& measures);

// A codec's settings by key.
QJsonObject settingsJson(const CodecSettings& settings);

// One setting a codec takes, as `codecs --json` lists it: key, meaning, what is allowed, default,
// and its range or choices.
QJsonObject settingDescriptionJson(const SettingDescription& setting);

// The names of what a run measures: ["psnr", "ssim", "ms_ssim", ...].
QJsonArray measuresTakenJson(const MeasureChoice& choice);

// A coded file's size and its source's.
QJsonObject sizesJson(const CompressionFigures& figures);

// The versions of this program and the libraries its figures depend on, and their object.
LibraryVersions runVersions();
QJsonObject libraryVersionsJson(const LibraryVersions& versions);

// Each curve: its name, codec, every setting, its own qualities when it has them, and the library
// behind it.
QJsonArray curvesJson(const std::vector<CodecCurve>& curves);

// How the times were taken: the timing runs and the threads each codec coded on (null where not
// recorded), and what the figures are.
QJsonObject timingParametersJson(const TimingConditions& timing);

// One point of a sweep: codec (the curve's name), its curve's settings (of `curves`), quality, sizes, ratio,
// report line, every measure and its timings.
QJsonObject pointJson(const SweepPoint& point, const std::vector<CodecCurve>& curves);

// A delta with the share of each curve it was taken over; delta rows as the sweep gives them, and how they are taken.
QJsonObject bdResultJson(const BdResult& result);
QJsonArray deltaRowsJson(const std::vector<DeltaRow>& rows);
const char* deltaMethod();

// The object on one line.
std::string jsonLine(const QJsonObject& object);

}  // namespace brenlow

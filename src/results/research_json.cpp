#include "results/research_json.h"

#include "catalogue/codec_registry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>

#include "catalogue/library_versions.h"
#include "measures/measure_table.h"

namespace brenlow {
namespace {

QString text(const std::string& value) { return QString::fromStdString(value); }

}  // namespace

QJsonValue measureValue(double value) {
    if (std::isnan(value)) return QJsonValue::Null;
    if (std::isinf(value)) return value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    return value;
}

QJsonArray measuresTakenJson(const MeasureChoice& choice) {
    QJsonArray names;
    for (const std::string& name : measureNamesTaken(choice)) names.append(text(name));
    return names;
}

QJsonObject measuresJson(const PictureMeasures& measures) {
    QJsonObject object;
    for (const MeasureRow* row : recordedMeasureRows()) object[QLatin1String(row->key)] = measureValue(row->of(measures));
    return object;
}

QJsonObject settingsJson(const CodecSettings& settings) {
    QJsonObject object;
    for (const auto& [key, value] : settings) object[text(key)] = text(value);
    return object;
}

QJsonObject settingDescriptionJson(const SettingDescription& setting) {
    QJsonObject object{{"key", text(setting.key)},
                       {"meaning", text(setting.meaning)},
                       {"allowed", text(setting.allowed())},
                       {"default", text(setting.defaultValue)}};
    if (setting.choices.empty()) {
        object["lowest"] = setting.lowest;
        object["highest"] = setting.highest;
    } else {
        QJsonArray choices;
        for (const std::string& choice : setting.choices) choices.append(text(choice));
        object["choices"] = choices;
    }
    return object;
}

QJsonObject sizesJson(const CompressionFigures& figures) {
    return {{"original", static_cast<qint64>(figures.originalSize)}, {"coded", static_cast<qint64>(figures.codedSize)}};
}

LibraryVersions runVersions() {
    LibraryVersions versions{{"brenlow", programVersion()}, {"qt", qtVersion()}, {"libjpeg", jpegLibraryVersion()}};
    for (const auto& [library, version] : anchorLibraryVersions()) versions[library] = version;
    return versions;
}

QJsonObject libraryVersionsJson(const LibraryVersions& versions) {
    QJsonObject object;
    for (const auto& [library, version] : versions) object[text(library)] = text(version);
    return object;
}

namespace {

const char* pointClock(const SweepPoint& point) {
    if (point.timingRuns == 0) return "not timed: coded and decoded elsewhere";
    if (point.timesAreCalls)
        return "wall and CPU (user + system, with the children it waited for) seconds of each call of the codec's "
               "programs, writing its input picture and reading its output not included";
    if (point.cpuClock == CpuClock::Process)
        return "wall-clock seconds of the coding alone and of the decoding alone, and CPU seconds (user + system) of "
               "the whole process, which did nothing else meanwhile, so that any thread a library codes on is counted";
    return "wall-clock seconds of the coding alone and of the decoding alone, and CPU seconds (user + system) of "
           "the thread they ran on, the codec on that thread alone";
}

QJsonValue recorded(int count) { return count > 0 ? QJsonValue(count) : QJsonValue(QJsonValue::Null); }

}  // namespace

QJsonObject timingParametersJson(const TimingConditions& timing) {
    return {{"runs", recorded(timing.runs)},
            {"threads_per_codec", recorded(timing.threadsPerCodec)},
            {"method",
             "each point coded and decoded `runs` times (with more than one, a picture's points one after "
             "another), each codec on `threads_per_codec` threads, its library's and our own kernels alike; a "
             "point's times are the medians of its runs: wall-clock seconds, and CPU seconds (user + system) of "
             "the thread it coded on, or of the whole process where the coding was all it did (each point's cpu_clock "
             "says which); null: not recorded"}};
}

// The times of a codec described by commands are its programs' calls, as the clock says so; times
// not taken here (a point decoded elsewhere) are null.
QJsonObject timingJson(const SweepPoint& point) {
    QJsonObject timing{{"encode_seconds", measureValue(point.encodeSeconds)},
                       {"decode_seconds", measureValue(point.decodeSeconds)},
                       {"runs", point.timingRuns},
                       {"encode_seconds_spread",
                        QJsonArray{measureValue(point.encodeFastest), measureValue(point.encodeSlowest)}},
                       {"decode_seconds_spread",
                        QJsonArray{measureValue(point.decodeFastest), measureValue(point.decodeSlowest)}},
                       {"encode_megapixels_per_second",
                        measureValue(megapixelsPerSecond(point.megapixels, point.encodeSeconds))},
                       {"decode_megapixels_per_second",
                        measureValue(megapixelsPerSecond(point.megapixels, point.decodeSeconds))},
                       {"encode_cpu_seconds", measureValue(point.encodeCpuSeconds)},
                       {"decode_cpu_seconds", measureValue(point.decodeCpuSeconds)},
                       {"clock", pointClock(point)}};
    if (point.timingRuns > 0 && !point.timesAreCalls) timing["cpu_clock"] = cpuClockName(point.cpuClock);
    return timing;
}

QJsonObject pointJson(const SweepPoint& point, const std::vector<CodecCurve>& curves) {
    QJsonObject measures = measuresJson(point.measures.picture);
    measures["bits_per_pixel"] = point.measures.bitsPerPixel;
    const CodecCurve* curve = findCurve(curves, point.curve);
    QJsonObject object{{"codec", text(point.curve)}, {"quality", point.quality},
            {"settings", curve == nullptr ? QJsonObject() : settingsJson(curve->settings)},
            {"sizes", sizesJson(point.figures)},
            {"ratio", static_cast<double>(point.figures.compressionRatio)},
            {"report", text(point.reportLine)},  {"measures", measures},
            {"timing", timingJson(point)}};
    if (!std::isnan(point.targetBpp)) {
        object["target_bits_per_pixel"] = point.targetBpp;
        object["target_missed"] = point.targetMissed;
    }
    return object;
}

QJsonArray curvesJson(const std::vector<CodecCurve>& curves) {
    QJsonArray array;
    for (const CodecCurve& curve : curves) {
        QJsonObject object{{"name", text(curve.name)},
                           {"codec", text(curveCodecName(curve))},
                           {"settings", settingsJson(curve.settings)},
                           {"library", text(curveLibrary(curve))}};
        if (!curve.qualities.empty()) {
            QJsonArray qualities;
            for (int quality : curve.qualities) qualities.append(quality);
            object["qualities"] = qualities;
        }
        array.append(object);
    }
    return array;
}

QJsonObject bdResultJson(const BdResult& result) {
    return {{"value", measureValue(result.value)},
            {"shared_fraction_anchor", result.sharedFractionAnchor},
            {"shared_fraction_test", result.sharedFractionTest},
            {"weak_overlap", result.weakOverlap}};
}

QJsonArray deltaRowsJson(const std::vector<DeltaRow>& rows) {
    QJsonArray array;
    for (const DeltaRow& row : rows) {
        QJsonObject object{{"codec", text(row.curve)},
                           {"measure", measureKey(row.measure)},
                           {"interpolation", interpolationName(row.interpolation)},
                           {"rate_percent", bdResultJson(row.rate)},
                           {"quality_delta", bdResultJson(row.quality)}};
        // Over several pictures an SSIM in dB is averaged one of two ways: the row says which.
        if (linearOf(row.measure))
            object["decibels"] = row.decibelsOfMeanLinear ? "of the mean linear value" : "mean of each picture's";
        array.append(object);
    }
    return array;
}

const char* deltaMethod() {
    return "cubic: least-squares cubic fit; pchip: monotone piecewise cubic Hermite through the points; "
           "rate: mean log10(bits per pixel) difference over the shared quality interval, as 10^mean - 1; "
           "quality: mean measure difference over the shared log10(bits per pixel) interval; CIEDE2000 "
           "and Butteraugli are turned round for the fit, their quality delta is in their own unit";
}

std::string jsonLine(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

}  // namespace brenlow

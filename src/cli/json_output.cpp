#include "cli/json_output.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>

#include "research/library_versions.h"
#include "research/sweep_report.h"

namespace brenlow::cli {
namespace {

QString text(const std::string& value) { return QString::fromStdString(value); }

}  // namespace

QJsonValue measureValue(double value) {
    if (std::isnan(value)) return QJsonValue::Null;
    if (std::isinf(value)) return value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    return value;
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

QJsonObject versionsJson() { return libraryVersionsJson(runVersions()); }

// The common head of every object: what ran on what, and with which libraries.
QJsonObject runJson(const char* command, const Request& request, double seconds) {
    return {{"command", command}, {"input", text(request.file)}, {"seconds", seconds}, {"versions", versionsJson()}};
}

QJsonObject stillParametersJson(const Request& request, const StillParameters& parameters) {
    QJsonObject object{{"quality", parameters.quality}};
    if (request.subcommand == Subcommand::Jpeg || request.subcommand == Subcommand::Code) return object;
    object["divisor"] = static_cast<double>(parameters.divisor);
    if (request.subcommand == Subcommand::Avc) object["focus"] = parameters.passes;
    return object;
}

QJsonObject sizesJson(const CompressionFigures& figures) {
    return {{"original", static_cast<qint64>(figures.originalSize)}, {"coded", static_cast<qint64>(figures.codedSize)}};
}

}  // namespace

QJsonObject pointJson(const SweepPoint& point) {
    QJsonObject measures = measuresJson(point.measures.picture);
    measures["bits_per_pixel"] = point.measures.bitsPerPixel;
    return {{"codec", codecName(point.codec)}, {"quality", point.quality},
            {"sizes", sizesJson(point.figures)},
            {"ratio", static_cast<double>(point.figures.compressionRatio)},
            {"report", text(point.reportLine)},  {"measures", measures},
            {"timing", QJsonObject{{"encode_seconds", point.encodeSeconds},
                                   {"decode_seconds", point.decodeSeconds},
                                   {"encode_megapixels_per_second",
                                    measureValue(megapixelsPerSecond(point.megapixels, point.encodeSeconds))},
                                   {"decode_megapixels_per_second",
                                    measureValue(megapixelsPerSecond(point.megapixels, point.decodeSeconds))}}}};
}

namespace {

QJsonArray measuresChosenJson(const Request& request) {
    QJsonArray measures{"psnr", "ssim"};
    for (const std::string& measure : request.measures)
        if (measure != "none") measures.append(text(measure));
    return measures;
}

}  // namespace

QJsonObject bdResultJson(const BdResult& result) {
    return {{"value", measureValue(result.value)},
            {"shared_fraction_anchor", result.sharedFractionAnchor},
            {"shared_fraction_test", result.sharedFractionTest},
            {"weak_overlap", result.weakOverlap}};
}

QJsonArray deltaRowsJson(const std::vector<DeltaRow>& rows) {
    QJsonArray array;
    for (const DeltaRow& row : rows)
        array.append(QJsonObject{{"codec", codecName(row.codec)},
                                 {"measure", measureKey(row.measure)},
                                 {"interpolation", interpolationName(row.interpolation)},
                                 {"rate_percent", bdResultJson(row.rate)},
                                 {"quality_delta", bdResultJson(row.quality)}});
    return array;
}

const char* deltaMethod() {
    return "cubic: least-squares cubic fit; pchip: monotone piecewise cubic Hermite through the points; "
                       "rate: mean log10(bits per pixel) difference over the shared quality interval, as 10^mean - 1; "
                       "quality: mean measure difference over the shared log10(bits per pixel) interval; CIEDE2000 "
                       "and Butteraugli are turned round for the fit, their quality delta is in their own unit";
}

namespace {

QJsonObject deltaRatesJson(const SweepOutcome& outcome, StillCodec anchor, const MeasureChoice& measures) {
    return {{"anchor", codecName(anchor)},
            {"method", deltaMethod()},
            {"rows", deltaRowsJson(deltaTable(outcome, anchor, deltaMeasuresTaken(measures)))}};
}

}  // namespace

QJsonObject measuresJson(const PictureMeasures& measures) {
    return {{"psnr_r", measureValue(measures.psnrRed)}, {"psnr_g", measureValue(measures.psnrGreen)},
            {"psnr_b", measureValue(measures.psnrBlue)}, {"psnr", measureValue(measures.psnr)},
            {"psnr_y", measureValue(measures.psnrLuma)}, {"ssim_y", measureValue(measures.ssimLuma)},
            {"ms_ssim_y", measureValue(measures.msSsimLuma)}, {"ms_ssim_y_db", measureValue(measures.msSsimLumaDb)},
            {"ciede2000", measureValue(measures.ciede2000)}, {"butteraugli_max", measureValue(measures.butteraugliMax)},
            {"butteraugli_3norm", measureValue(measures.butteraugli3Norm)}};
}

namespace {

// The figures of a still run after the object's head, the same for every codec.
void addStillFigures(QJsonObject& object, const Request& request, const StillParameters& parameters,
                     const StillRunResult& result, const StillMeasures& measures) {
    object["parameters"] = stillParametersJson(request, parameters);
    object["coded_file"] = text(result.codedPath);
    QJsonObject sizes = sizesJson(result.figures);
    sizes["width"] = result.decoded.bitmap.width();
    sizes["height"] = result.decoded.bitmap.height();
    object["sizes"] = sizes;
    object["ratio"] = static_cast<double>(result.figures.compressionRatio);
    object["report"] = text(result.reportLine);
    QJsonObject measured = measuresJson(measures.picture);
    measured["bits_per_pixel"] = measures.bitsPerPixel;
    object["measures"] = measured;
}

}  // namespace

QJsonObject stillRunJson(const Request& request, const StillParameters& parameters, const StillRunResult& result,
                         const StillMeasures& measures, double seconds) {
    QJsonObject object = runJson(codecName(codecOf(request.subcommand)), request, seconds);
    addStillFigures(object, request, parameters, result, measures);
    return object;
}

QJsonObject anchorRunJson(const Request& request, const AnchorCodec& codec, const StillParameters& parameters,
                          const StillRunResult& result, const StillMeasures& measures, double seconds) {
    QJsonObject object = runJson("code", request, seconds);
    object["codec"] = text(codec.name());
    object["settings"] = text(codec.settings());
    object["library"] = text(codec.libraryVersion());
    addStillFigures(object, request, parameters, result, measures);
    return object;
}

QJsonObject compareJson(const Request& request, const PictureMeasures& measures, double seconds) {
    QJsonObject object = runJson("compare", request, seconds);
    object["compared"] = text(request.secondFile);
    object["measures"] = measuresJson(measures);
    return object;
}

QJsonObject sweepJson(const Request& request, const SweepSource& source, const SweepOutcome& outcome,
                      StillCodec anchor, const MeasureChoice& measures, double seconds) {
    QJsonObject object = runJson("sweep", request, seconds);
    QJsonArray codecs;
    for (const std::string& codec : request.codecs) codecs.append(text(codec));
    QJsonArray qualities;
    for (int quality : request.qualities) qualities.append(quality);
    object["parameters"] = QJsonObject{{"codecs", codecs},
                                       {"qualities", qualities},
                                       {"divisor", static_cast<double>(divisorFor(request.divisor, Command::AvcStill))},
                                       {"focus", focusFor(request.focus)},
                                       {"anchor", text(request.anchor)},
                                       {"measures", measuresChosenJson(request)}};
    object["original_size"] = static_cast<qint64>(source.originalSize);
    QJsonArray points;
    for (const SweepPoint& point : outcome.points) points.append(pointJson(point));
    object["points"] = points;
    object["bd_rate"] = deltaRatesJson(outcome, anchor, measures);
    return object;
}

std::string jsonLine(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

}  // namespace brenlow::cli

#include "cli/json_output.h"

#include <QJsonArray>
#include <algorithm>

#include "brenlow/measures.h"
#include "brenlow/tables.h"
#include "cli/research_commands.h"

namespace brenlow::cli {
namespace {

QString text(const std::string& value) { return QString::fromStdString(value); }

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

QJsonObject deltaRatesJson(const SweepOutcome& outcome, const std::string& anchor, const MeasureChoice& measures) {
    return {{"anchor", text(anchor)},
            {"method", deltaMethod()},
            {"rows", deltaRowsJson(deltaTable(outcome, anchor, deltaMeasuresTaken(measures)))}};
}

// The figures of a still run after the object's head, the same for every codec.
void addStillFigures(QJsonObject& object, const Request& request, const StillParameters& parameters,
                     const StillRunResult& result, const StillMeasures& measures) {
    object["parameters"] = stillParametersJson(request, parameters);
    object["codec_settings"] = settingsJson(runSettings(request));
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

void addColourJson(QJsonObject& object, const QImage& picture) {
    object["colour_encoding"] = text(colourEncodingName(picture.colorSpace()));
    object["butteraugli_intensity_target"] = static_cast<double>(kButteraugliIntensityTarget);
}

QJsonObject stillRunJson(const Request& request, const StillParameters& parameters, const StillRunResult& result,
                         const StillMeasures& measures, double seconds) {
    QJsonObject object = runJson(codecName(codecOf(request.subcommand)), request, seconds);
    addStillFigures(object, request, parameters, result, measures);
    return object;
}

QJsonObject anchorRunJson(const Request& request, const CodecEntry& codec, const StillParameters& parameters,
                          const StillRunResult& result, const StillMeasures& measures, double seconds) {
    QJsonObject object = runJson("code", request, seconds);
    object["codec"] = text(codec.name);
    object["settings"] = text(codec.settingsLine(runSettings(request)));
    object["library"] = text(codec.library());
    addStillFigures(object, request, parameters, result, measures);
    return object;
}

QJsonObject compareJson(const Request& request, const PictureMeasures& measures, QSize reference, QSize compared,
                        double seconds) {
    QJsonObject object = runJson("compare", request, seconds);
    object["compared"] = text(request.secondFile);
    const auto sizeJson = [](QSize size) { return QJsonObject{{"width", size.width()}, {"height", size.height()}}; };
    object["sizes"] = QJsonObject{{"reference", sizeJson(reference)},
                                  {"compared", sizeJson(compared)},
                                  {"measured", sizeJson(reference.boundedTo(compared))}};
    object["measures"] = measuresJson(measures);
    return object;
}

void addColourJson(QJsonObject& object, const QImage& reference, const QImage& compared) {
    object["colour_encodings"] = QJsonObject{{"reference", text(colourEncodingName(reference.colorSpace()))},
                                             {"compared", text(colourEncodingName(compared.colorSpace()))}};
    object["butteraugli_intensity_target"] = static_cast<double>(kButteraugliIntensityTarget);
}

QJsonObject sweepJson(const Request& request, const SweepSource& source, const SweepOutcome& outcome,
                      const std::string& anchor, const MeasureChoice& measures, double seconds) {
    QJsonObject object = runJson("sweep", request, seconds);
    QJsonArray codecs;
    for (const std::string& codec : request.codecs) codecs.append(text(codec));
    QJsonArray qualities, targets;
    for (int quality : request.qualities) qualities.append(quality);
    for (double target : request.bppTargets) targets.append(target);
    object["parameters"] = QJsonObject{{"codecs", codecs},
                                       {"bpp_targets", targets},
                                       {"qualities", qualities},
                                       {"divisor", static_cast<double>(divisorFor(request.divisor, Command::AvcStill))},
                                       {"focus", focusFor(request.focus)},
                                       {"anchor", text(anchor)},
                                       {"measures", measuresTakenJson(measureChoiceOf(request))},
                                       {"curves", curvesJson(outcome.curves)},
                                       {"timing", withTimedRuns(timingParametersJson({std::max(request.timingRuns, 1),
                                                                                      kTimedCodecThreads}),
                                                                 {outcome.timedRun})}};
    object["original_size"] = static_cast<qint64>(source.originalSize);
    addColourJson(object, source.bitmap);
    QJsonArray points;
    for (const SweepPoint& point : outcome.points) points.append(pointJson(point, outcome.curves));
    object["points"] = points;
    object["bd_rate"] = deltaRatesJson(outcome, anchor, measures);
    return object;
}

}  // namespace brenlow::cli

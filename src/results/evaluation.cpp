#include "results/evaluation.h"

#include <filesystem>
#include <map>

#include "catalogue/decoded_folder.h"
#include "codecs/codec_steps.h"
#include "codecs/document.h"
#include "experiments/command_sweep_point.h"
#include "experiments/kept_decoded.h"
#include "io/error.h"
#include "measures/linear_srgb.h"

namespace brenlow {
namespace {

std::string sizeText(QSize size) { return std::to_string(size.width()) + " x " + std::to_string(size.height()); }

void refuseReferencesSharingAStem(const std::vector<std::string>& pictures) {
    std::map<std::string, const std::string*> byStem;
    for (const std::string& picture : pictures) {
        const auto [first, added] = byStem.emplace(std::filesystem::path(picture).stem().string(), &picture);
        if (!added)
            throw Error("The reference pictures \"" + *first->second + "\" and \"" + picture + "\" share the stem \"" +
                        first->first + "\", and a decoded picture is found by its stem: rename or move one of them");
    }
}

SweepPoint evaluatedPoint(const DecodedPoint& at, const std::string& picture, const QImage& reference,
                          std::uint64_t originalSize, const CodecCurve& curve, const MeasureChoice& measures) {
    const std::string decodedPath = decodedPictureOf(at, picture);
    const std::uint64_t codedBytes = codedSizeOf(at, picture);
    QImage decoded = loadDecodedPicture(decodedPath);
    if (decoded.size() != reference.size())
        throw Error("The decoded picture of the point \"" + at.label + "\" is " + sizeText(decoded.size()) +
                        " pixels, the reference " + sizeText(reference.size()),
                    decodedPath);
    SweepPoint point;
    point.codec = curve.codec;
    point.curve = curve.name;
    point.quality = at.quality;
    point.label = at.label;
    point.keptDecoded = {decodedPath, fileSha256(decodedPath)};
    markTimesUnknown(point);
    measureOutsidePoint(point, reference, std::move(decoded), codedBytes, originalSize, measures);
    return point;
}

StoredResult evaluatedPicture(const Evaluation& evaluation, const std::string& picture,
                              const std::vector<DecodedPoint>& points, const CodecCurve& curve,
                              const DataSetParameters& parameters) {
    StoredResult result{picture, curve, {}, parameters, {}, {}, {}, {}};
    try {
        result.stamp = pictureStampOf(picture);
        const PictureDocument document = namingFileOnError(picture, [&] { return openPictureDocument(picture, false); });
        result.pixelsSha256 = pixelsSha256(document.bitmap);
        result.colourEncoding = colourEncodingName(document.bitmap.colorSpace());
        const QImage reference = namingFileOnError(picture, [&] { return documentFilePicture(document.view()); });
        const std::uint64_t originalSize = originalSizeOf(document.view());
        result.sweep.curves = {curve};
        for (const DecodedPoint& at : points)
            result.sweep.points.push_back(
                evaluatedPoint(at, picture, reference, originalSize, curve, evaluation.measures));
    } catch (const Error& error) {
        result.sweep.points.clear();
        result.failure = error.what();
    }
    return result;
}

}  // namespace

CodecCurve evaluationCurve(const std::string& name) {
    CodecCurve curve;
    curve.codec = StillCodec::Command;
    curve.name = name;
    curve.otherCodec = name;
    return curve;
}

void checkEvaluationInputs(const Evaluation& evaluation) {
    refuseReferencesSharingAStem(evaluation.pictures);
    decodedPoints(evaluation.decodedFolder);
}

DataSetWork runEvaluation(const Evaluation& evaluation) {
    refuseReferencesSharingAStem(evaluation.pictures);
    const std::vector<DecodedPoint> points = decodedPoints(evaluation.decodedFolder);
    const CodecCurve curve = evaluationCurve(evaluation.name);
    SweepSettings settings;
    settings.curves = {curve};
    settings.qualities.clear();
    for (const DecodedPoint& point : points) settings.qualities.push_back(point.quality);
    settings.measures = evaluation.measures;
    DataSetParameters parameters = dataSetParameters(settings, evaluation.versions);
    parameters.timing = {};
    if (!evaluation.resultFolder.empty())
        writeManifest(evaluation.resultFolder, {evaluation.pictures, {curve}, parameters});
    DataSetWork work;
    for (const std::string& picture : evaluation.pictures) {
        StoredResult result = evaluatedPicture(evaluation, picture, points, curve, parameters);
        if (!evaluation.resultFolder.empty()) writeResult(evaluation.resultFolder, result);
        ++(result.failure.empty() ? work.computed : work.failed);
        if (!result.failure.empty()) work.failedItems.push_back({picture, curve.name, result.failure});
        work.results.push_back(std::move(result));
    }
    return work;
}

}  // namespace brenlow

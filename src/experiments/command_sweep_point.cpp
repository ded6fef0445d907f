#include "experiments/command_sweep_point.h"

#include <algorithm>
#include <string_view>

#include "catalogue/codec_registry.h"
#include "catalogue/command_codec_run.h"
#include "codecs/codec_steps.h"
#include "experiments/command_fingerprint.h"
#include "io/error.h"

namespace brenlow {

const CommandCodec& commandCodecOf(const CodecCurve& curve) {
    const CodecEntry& entry = codecEntryOf(curve);
    if (entry.command == nullptr) throw Error("The curve \"" + curve.name + "\" is not of a codec described by commands");
    return *entry.command;
}

void measureOutsidePoint(SweepPoint& point, const QImage& reference, QImage decoded, std::uint64_t codedBytes,
                         std::uint64_t originalSize, const MeasureChoice& measures) {
    ByteEnergies energies;
    point.measures = measureStill(reference, decoded, codedBytes, measures, energies);
    point.megapixels = static_cast<double>(reference.width()) * reference.height() / 1e6;
    const SnrTriple snr = snrOfEnergies(energies);
    DecodedPicture picture;
    picture.bitmap = std::move(decoded);
    const StillRunResult result = assembleResult({}, originalSize, codedBytes, std::move(picture), &snr);
    point.figures = result.figures;
    point.reportLine = result.reportLine;
}

DecodedPicture commandDecodedPoint(const SweepSource& source, const CodecCurve& curve, int quality) {
    DecodedPicture decoded;
    decoded.caption = source.caption;
    decoded.bitmap = runCommandCodec(commandCodecOf(curve), curve.settings, source.bitmap, quality).decoded;
    return decoded;
}

namespace {

std::string joined(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& argument : arguments) text += (text.empty() ? "" : " ") + argument;
    return text;
}

constexpr std::string_view kCommandsSuffix = " commands";
constexpr std::string_view kFingerprintSuffix = " fingerprint";
constexpr std::string_view kCallerVersionSuffix = " version";

std::string commandsKey(const std::string& codecName) { return codecName + std::string(kCommandsSuffix); }

// A codec's own entries among the versions: a run's other codecs end alike.
bool isCodecOwnKey(const std::string& key) {
    return key.ends_with(kCommandsSuffix) || isFingerprintKey(key) || key.ends_with(kCallerVersionSuffix);
}

bool isKeyOfCodec(const std::string& key, const std::string& codecName) {
    return key == commandsKey(codecName) || key == fingerprintKey(codecName) || key == callerVersionKey(codecName);
}

}  // namespace

std::string fingerprintKey(const std::string& codecName) { return codecName + std::string(kFingerprintSuffix); }

bool isFingerprintKey(const std::string& key) { return key.ends_with(kFingerprintSuffix); }

std::string callerVersionKey(const std::string& codecName) { return codecName + std::string(kCallerVersionSuffix); }

std::map<std::string, std::string> callerCodecVersions(const std::vector<CodecCurve>& curves) {
    std::map<std::string, std::string> versions;
    for (const CodecCurve& curve : curves)
        if (isCallerCurve(curve)) versions[callerVersionKey(curve.otherCodec)] = codecEntryOf(curve).caller->version();
    return versions;
}

std::map<std::string, std::string> commandCodecVersions(const std::vector<CodecCurve>& curves) {
    std::map<std::string, std::string> versions;
    for (const CodecCurve& curve : curves) {
        if (curve.codec != StillCodec::Command) continue;
        const CommandCodec& codec = commandCodecOf(curve);
        versions[commandsKey(codec.name)] = "encode: " + joined(codec.encode) + "; decode: " + joined(codec.decode) +
                                             "; " + codec.pictureFormat + " pictures, " + codec.extension + " files";
        versions[fingerprintKey(codec.name)] = commandCodecFingerprint(codec);
    }
    return versions;
}

std::map<std::string, std::string> curveVersions(const std::map<std::string, std::string>& versions,
                                                 const CodecCurve& curve) {
    const bool byName = isKnownByName(curve.codec);
    std::map<std::string, std::string> kept;
    for (const auto& [library, version] : versions)
        if (!isCodecOwnKey(library) || (byName && isKeyOfCodec(library, curve.otherCodec))) kept.emplace(library, version);
    return kept;
}

SweepPoint commandSweepPoint(const SweepSource& source, const CodecCurve& curve, int quality,
                             const SweepSettings& settings) {
    const CommandCodec& codec = commandCodecOf(curve);
    SweepPoint point;
    point.codec = curve.codec;
    point.curve = curve.name;
    point.quality = quality;
    point.timingRuns = std::max(settings.timingRuns, 1);
    point.timesAreCalls = true;
    CodingTimes encoding, decoding;
    CommandPoint coded;
    for (int run = 0; run < point.timingRuns; ++run) {
        coded = runCommandCodec(codec, curve.settings, source.bitmap, quality);
        encoding.wall.push_back(coded.encode.wallSeconds);
        decoding.wall.push_back(coded.decode.wallSeconds);
        encoding.cpu.push_back(coded.encode.cpuSeconds);
        decoding.cpu.push_back(coded.decode.cpuSeconds);
    }
    takeTimes(point, std::move(encoding), std::move(decoding));
    if (settings.keepDecoded) point.keptDecoded = settings.keepDecoded(curve, quality, coded.decoded);

    measureOutsidePoint(point, source.referenceFor(curve), std::move(coded.decoded), coded.codedBytes,
                        source.originalSize, settings.measures);
    return point;
}

}  // namespace brenlow

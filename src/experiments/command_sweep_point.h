#pragma once

#include <map>
#include <string>
#include <vector>

#include "catalogue/command_codec.h"
#include "experiments/sweep.h"

namespace brenlow {

// One point of a curve whose codec is described by commands: its encoder codes the document's
// picture and its decoder decodes the result, settings.timingRuns times (the times the medians
// of each call's wall and processor time); the decoded picture is measured against
// source.referenceFor(curve). Throws Error as runCommandCodec does, or when the
// codec is not in the registry.
SweepPoint commandSweepPoint(const SweepSource& source, const CodecCurve& curve, int quality,
                             const SweepSettings& settings);

// Fills in the measures, figures and report line of a point whose decoded picture and coded size
// come from outside Brenlow's own codecs, measured against `reference` as the anchors' are.
void measureOutsidePoint(SweepPoint& point, const QImage& reference, QImage decoded, std::uint64_t codedBytes,
                         std::uint64_t originalSize, const MeasureChoice& measures);

// The decoded picture of such a point, coded again by the programs. Throws Error as above.
DecodedPicture commandDecodedPoint(const SweepSource& source, const CodecCurve& curve, int quality);

// What the results of the curves' codecs described by commands depend on, as library versions:
// "NAME commands" -> its encode and decode commands, picture format and extension, and
// "NAME fingerprint" -> commandCodecFingerprint. A result made by other commands, or by programs
// or files that have changed since, then differs from the run's and is made again.
std::map<std::string, std::string> commandCodecVersions(const std::vector<CodecCurve>& curves);

// The key of a codec's fingerprint among the versions, and whether a key is one.
std::string fingerprintKey(const std::string& codecName);
bool isFingerprintKey(const std::string& key);

// What the results of the curves' codecs handed in by a caller depend on: "NAME version" -> the
// version the caller gave. A result made at another version differs from the run's and is made again.
std::map<std::string, std::string> callerCodecVersions(const std::vector<CodecCurve>& curves);
std::string callerVersionKey(const std::string& codecName);

// The versions of a run that the curve's results depend on: all but the own entries of the other
// codecs described by commands or handed in by a caller, so that a codec added to a run, or taken
// out, changes no other codec's results.
std::map<std::string, std::string> curveVersions(const std::map<std::string, std::string>& versions,
                                                 const CodecCurve& curve);

// The codec described by commands that codes a curve. Throws Error when it is not in the
// registry (its description file was not given).
const CommandCodec& commandCodecOf(const CodecCurve& curve);

}  // namespace brenlow

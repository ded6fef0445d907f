#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/still_codec.h"
#include "codecs/codec_settings.h"
#include "codecs/field_rules.h"

namespace brenlow {

// One curve of a sweep: a codec at its settings, named as the researcher named it. The same codec
// at other settings is another curve; the name tells curves apart in every output.
struct CodecCurve {
    StillCodec codec = StillCodec::Jpeg;
    std::string name;          // "jpeg", "avif:speed=8:yuv=444", or the label given
    CodecSettings settings;    // every key the codec declares, with its value
    std::vector<int> qualities;  // its own qualities; empty: the run's
    std::string otherCodec = {};  // a codec known by its name (a library's, or one not built in): that
                               // name, as the registry, its description file or `evaluate --name`
                               // gives it; empty for our three codecs

    bool operator==(const CodecCurve&) const = default;

    // "speed=8:yuv=444": every setting in key order; "" for a codec without settings.
    std::string settingsText() const;
    // The qualities it is swept at: its own, or the run's.
    const std::vector<int>& qualitiesOr(const std::vector<int>& runQualities) const;
};

// Settings that a run gives every codec that declares them (the divisor and focus of the AVC and
// AJC commands' options), beneath what a curve names itself.
using RunDefaults = CodecSettings;

// The run defaults of a divisor code and a focus as the commands' fields give them.
RunDefaults runDefaultsOf(long divisorCode, long focus);

struct CodecEntry;

// A codec of the registry at its defaults (under the run's), named by the codec alone.
CodecCurve defaultCurve(const CodecEntry& codec, const RunDefaults& defaults = {});
// The same for one of our three codecs.
CodecCurve defaultCurve(StillCodec codec, const RunDefaults& defaults = {});

// Each of our codecs at its defaults, in order.
std::vector<CodecCurve> defaultCurves(const std::vector<StillCodec>& codecs, const RunDefaults& defaults = {});

// The curve of a codec named with its settings, NAME[:KEY=VALUE]...[:label=TEXT]. Throws Error
// naming the codec, the key and what is allowed.
CodecCurve curveNamed(std::string_view text, const RunDefaults& defaults = {});

// The curves of a list of such names, in order. Throws Error naming a curve given twice (the same
// name, or the same codec at the same settings under two names).
std::vector<CodecCurve> curvesNamed(const std::vector<std::string>& texts, const RunDefaults& defaults = {});

// The curve of that name; null when there is none.
const CodecCurve* findCurve(const std::vector<CodecCurve>& curves, std::string_view name);

// The name of the curve that `text` names, by its name or as a codec at the same settings; nullopt
// when no curve matches.
std::optional<std::string> curveMatching(std::string_view text, const std::vector<CodecCurve>& curves,
                                         const RunDefaults& defaults = {});

// The name of the curve's codec: "avif", or a codec's that is not built in ("webp-m6").
std::string curveCodecName(const CodecCurve& curve);

// A curve's codec by that name: a built one, or any other name as a codec not built in.
void setCurveCodec(CodecCurve& curve, const std::string& codecName);

// What codes the curve: "libavif 0.11.1 (aom)", "commands from codecs/x.json", or for a codec not
// built in and not described in this run, that its figures come from elsewhere.
std::string curveLibrary(const CodecCurve& curve);

// Whether the curve's codec is one handed in by a caller, added to the registry now.
bool isCallerCurve(const CodecCurve& curve);

// Whether two curves are the same codec at the same settings, whatever their names.
bool sameCodecAndSettings(const CodecCurve& a, const CodecCurve& b);

// "jpeg, avif:speed=4" for messages.
std::string curveNamesText(const std::vector<CodecCurve>& curves);

// The still commands' parameters of a curve of ours at one quality: its divisor and focus.
StillParameters stillParametersOf(const CodecCurve& curve, int quality);

// The registry's codec of a curve. Throws Error when it is a codec not built in whose
// description file was not given.
const CodecEntry& codecEntryOf(const CodecCurve& curve);

// The picture the curve's points are measured against; a codec not built in is measured as the
// library codecs are, whether described in this run or not.
ReferencePicture referencePictureOf(const CodecCurve& curve);

}  // namespace brenlow

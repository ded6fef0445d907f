#include "catalogue/codec_curve.h"

#include <algorithm>

#include "catalogue/codec_registry.h"
#include "catalogue/own_codecs.h"
#include "io/error.h"

namespace brenlow {
namespace {

// The run's defaults reach only the keys a codec declares and does not name itself.
CodecSettings withRunDefaults(const CodecEntry& entry, CodecSettings given, const RunDefaults& defaults) {
    for (const SettingDescription& description : entry.settings) {
        const auto value = defaults.find(description.key);
        if (value != defaults.end() && !given.contains(description.key)) given[description.key] = value->second;
    }
    return resolvedSettings(given, entry.settings);
}

}  // namespace

std::string CodecCurve::settingsText() const {
    std::string text;
    for (const auto& [key, value] : settings) text += (text.empty() ? "" : ":") + key + "=" + value;
    return text;
}

const std::vector<int>& CodecCurve::qualitiesOr(const std::vector<int>& runQualities) const {
    return qualities.empty() ? runQualities : qualities;
}

RunDefaults runDefaultsOf(long divisorCode, long focus) {
    return {{"divisor", std::to_string(divisorCode)}, {"focus", std::to_string(focus)}};
}

CodecCurve defaultCurve(const CodecEntry& codec, const RunDefaults& defaults) {
    return {codec.codec, codec.name, withRunDefaults(codec, {}, defaults), {},
            isKnownByName(codec.codec) ? codec.name : std::string()};
}

CodecCurve defaultCurve(StillCodec codec, const RunDefaults& defaults) {
    return defaultCurve(codecEntryOf(codec), defaults);
}

std::vector<CodecCurve> defaultCurves(const std::vector<StillCodec>& codecs, const RunDefaults& defaults) {
    std::vector<CodecCurve> curves;
    for (StillCodec codec : codecs) curves.push_back(defaultCurve(codec, defaults));
    return curves;
}

CodecCurve curveNamed(std::string_view text, const RunDefaults& defaults) {
    const CodecChoice choice = checkedCodecChoice(text);
    const CodecEntry& entry = *codecEntryNamed(choice.codec);
    return {entry.codec, choice.curveName(), withRunDefaults(entry, choice.settings, defaults), {},
            isKnownByName(entry.codec) ? entry.name : std::string()};
}

std::vector<CodecCurve> curvesNamed(const std::vector<std::string>& texts, const RunDefaults& defaults) {
    std::vector<CodecCurve> curves;
    for (const std::string& text : texts) {
        CodecCurve curve = curveNamed(text, defaults);
        for (const CodecCurve& earlier : curves) {
            if (earlier.name == curve.name) throw Error("The curve \"" + curve.name + "\" is named twice");
            if (sameCodecAndSettings(earlier, curve))
                throw Error("\"" + curve.name + "\" and \"" + earlier.name + "\" are the same codec at the same settings");
        }
        curves.push_back(std::move(curve));
    }
    return curves;
}

const CodecCurve* findCurve(const std::vector<CodecCurve>& curves, std::string_view name) {
    const auto curve = std::find_if(curves.begin(), curves.end(), [name](const CodecCurve& c) { return c.name == name; });
    return curve == curves.end() ? nullptr : &*curve;
}

std::optional<std::string> curveMatching(std::string_view text, const std::vector<CodecCurve>& curves,
                                         const RunDefaults& defaults) {
    if (const CodecCurve* curve = findCurve(curves, text)) return curve->name;
    try {
        const CodecCurve wanted = curveNamed(text, defaults);
        for (const CodecCurve& curve : curves)
            if (sameCodecAndSettings(curve, wanted)) return curve.name;
    } catch (const Error&) {
        // not a codec name either: no curve matches
    }
    return std::nullopt;
}

std::string curveCodecName(const CodecCurve& curve) {
    return isKnownByName(curve.codec) ? curve.otherCodec : codecName(curve.codec);
}

void setCurveCodec(CodecCurve& curve, const std::string& codecName) {
    const CodecEntry* entry = codecEntryNamed(codecName);
    const bool built = entry != nullptr && entry->command == nullptr;
    curve.codec = built ? entry->codec : StillCodec::Command;
    curve.otherCodec = isKnownByName(curve.codec) ? codecName : std::string();
}

std::string curveLibrary(const CodecCurve& curve) {
    if (curve.codec != StillCodec::Command) return codecEntryOf(curve).library();
    if (const CodecEntry* entry = codecEntryNamed(curve.otherCodec)) return entry->library();
    return "not built in: coded elsewhere or by commands not given now";
}

bool isCallerCurve(const CodecCurve& curve) {
    const CodecEntry* entry = curve.codec == StillCodec::Library ? codecEntryNamed(curve.otherCodec) : nullptr;
    return entry != nullptr && entry->caller != nullptr;
}

bool sameCodecAndSettings(const CodecCurve& a, const CodecCurve& b) {
    return a.codec == b.codec && a.otherCodec == b.otherCodec && a.settings == b.settings;
}

std::string curveNamesText(const std::vector<CodecCurve>& curves) {
    std::string names;
    for (const CodecCurve& curve : curves) names += (names.empty() ? "" : ", ") + curve.name;
    return names;
}

StillParameters stillParametersOf(const CodecCurve& curve, int quality) {
    return stillParametersFrom(curve.settings, quality);
}

const CodecEntry& codecEntryOf(const CodecCurve& curve) {
    if (!isKnownByName(curve.codec)) return codecEntryOf(curve.codec);
    const CodecEntry* entry = codecEntryNamed(curve.otherCodec);
    if (entry != nullptr && entry->codec == curve.codec) return *entry;
    if (curve.codec == StillCodec::Library)
        throw Error("The codec \"" + curve.otherCodec + "\" of the curve \"" + curve.name + "\" is not in this build");
    throw Error("The codec \"" + curve.otherCodec + "\" of the curve \"" + curve.name +
                "\" is not built in; give its description file with --codec-file");
}

ReferencePicture referencePictureOf(const CodecCurve& curve) {
    return curve.codec == StillCodec::Command ? ReferencePicture::DocumentFile : referencePictureOf(codecEntryOf(curve));
}

}  // namespace brenlow

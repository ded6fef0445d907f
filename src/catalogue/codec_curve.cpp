#include "catalogue/codec_curve.h"

#include <algorithm>
#include <charconv>

#include "catalogue/codec_registry.h"
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

// The toolbar's fields take any whole number, so a run default may lie outside a setting's range.
long wholeNumber(const CodecSettings& settings, const std::string& key) {
    const auto value = settings.find(key);
    long number = 0;
    if (value == settings.end()) throw Error("The setting " + key + " is missing");
    const std::string& text = value->second;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) throw Error("The setting " + key + " is not a number");
    return number;
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

CodecCurve defaultCurve(StillCodec codec, const RunDefaults& defaults) {
    const CodecEntry& entry = codecEntryOf(codec);
    return {codec, entry.name, withRunDefaults(entry, {}, defaults), {}};
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
            entry.command != nullptr ? entry.name : std::string()};
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
    return curve.codec == StillCodec::Command ? curve.otherCodec : codecName(curve.codec);
}

void setCurveCodec(CodecCurve& curve, const std::string& codecName) {
    const CodecEntry* entry = codecEntryNamed(codecName);
    const bool built = entry != nullptr && entry->command == nullptr;
    curve.codec = built ? entry->codec : StillCodec::Command;
    curve.otherCodec = built ? std::string() : codecName;
}

std::string curveLibrary(const CodecCurve& curve) {
    if (curve.codec != StillCodec::Command) return codecEntryOf(curve.codec).library();
    if (const CodecEntry* entry = codecEntryNamed(curve.otherCodec)) return entry->library();
    return "not built in: coded elsewhere or by commands not given now";
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
    StillParameters parameters;
    parameters.quality = static_cast<std::uint8_t>(quality);
    if (curve.settings.contains("divisor")) {
        const Command command = curve.codec == StillCodec::Ajc ? Command::AjcStill : Command::AvcStill;
        parameters.divisor = divisorFor(wholeNumber(curve.settings, "divisor"), command);
    }
    if (curve.settings.contains("focus")) parameters.passes = focusFor(wholeNumber(curve.settings, "focus"));
    return parameters;
}

}  // namespace brenlow

#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace brenlow {

// One setting a codec takes beside its quality: a whole number within a range, or one of a few
// words. Codecs declare theirs, and every front end reads the declarations.
struct SettingDescription {
    std::string key;      // "speed"
    std::string meaning;  // "encoder speed, 0 slowest and smallest"
    int lowest = 0;       // the range, both ends included, when `choices` is empty
    int highest = 0;
    std::vector<std::string> choices;  // the allowed words ("420", "444"), or empty for a range
    std::string defaultValue;

    // "0-10" or "420, 444".
    std::string allowed() const;
    // Whether `value` is one of the choices, or a decimal whole number within the range.
    bool accepts(std::string_view value) const;
    // The one way a value is written, so that values are compared as what they mean: a number of
    // a range in plain decimal without leading zeros ("01" is "1", "-0" is "0"); a choice, or a
    // value that is no decimal number, as it is.
    std::string canonical(std::string_view value) const;
};

// A codec's settings, key to value, as text ("speed" -> "4").
using CodecSettings = std::map<std::string, std::string>;

// A codec as a researcher names it: NAME[:KEY=VALUE]..., where label=TEXT names its curve.
struct CodecChoice {
    std::string codec;        // "avif"
    CodecSettings settings;   // the settings given, without the label
    std::string label;        // the label given, or empty

    // The canonical text: "avif:speed=4:yuv=444", the settings in key order, no label.
    std::string text() const;
    // What a curve of this choice is called: the label when given, the canonical text otherwise.
    std::string curveName() const;
};

// The parts of `text` between the separators: "a,,b" gives "a", "", "b"; "" gives one empty part.
std::vector<std::string_view> splitAt(std::string_view text, char separator);

// Reads NAME[:KEY=VALUE]... Throws Error for an empty name, a part without "=", an empty key or
// value, or a key given twice; whether the codec and its keys exist is checked elsewhere.
CodecChoice parseCodecChoice(std::string_view text);

// The settings with every value in its canonical form. Throws Error naming the codec, the key and
// what is allowed for a key the codec does not declare or a value it does not accept.
CodecSettings checkCodecSettings(const std::string& codec, const CodecSettings& settings,
                                 const std::vector<SettingDescription>& declared);

// The settings with the values of declared keys in their canonical form, the others as they are:
// settings read from a file, which may have been written by hand.
CodecSettings canonicalSettings(const CodecSettings& settings, const std::vector<SettingDescription>& declared);

// Every declared key with its value: the one given, or the default.
CodecSettings resolvedSettings(const CodecSettings& given, const std::vector<SettingDescription>& declared);

// The value of a key of resolved settings as a number. Throws Error when it is absent or not one.
int settingNumber(const CodecSettings& settings, const std::string& key);

}  // namespace brenlow

#include "codecs/codec_settings.h"

#include <algorithm>
#include <charconv>

#include "io/error.h"

namespace brenlow {
namespace {

bool decimalNumber(std::string_view text, int& number) {
    if (text.empty() || text.size() > 9) return false;
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), number);
    return problem == std::errc() && end == text.data() + text.size();
}

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

}  // namespace

std::vector<std::string_view> splitAt(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t at = text.find(separator); at != std::string_view::npos; at = text.find(separator, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::string SettingDescription::allowed() const {
    if (choices.empty()) return std::to_string(lowest) + "-" + std::to_string(highest);
    std::string text;
    for (const std::string& choice : choices) text += (text.empty() ? "" : ", ") + choice;
    return text;
}

bool SettingDescription::accepts(std::string_view value) const {
    if (!choices.empty()) return std::find(choices.begin(), choices.end(), value) != choices.end();
    int number = 0;
    return decimalNumber(value, number) && number >= lowest && number <= highest;
}

std::string SettingDescription::canonical(std::string_view value) const {
    int number = 0;
    if (!choices.empty() || !decimalNumber(value, number)) return std::string(value);
    return std::to_string(number);
}

std::string CodecChoice::text() const {
    std::string result = codec;
    for (const auto& [key, value] : settings) result += ":" + key + "=" + value;
    return result;
}

std::string CodecChoice::curveName() const { return label.empty() ? text() : label; }

CodecChoice parseCodecChoice(std::string_view text) {
    const std::vector<std::string_view> parts = splitAt(text, ':');
    CodecChoice choice;
    choice.codec = std::string(parts.front());
    if (choice.codec.empty()) throw Error("The codec " + quoted(text) + " has no name before its settings");
    bool labelled = false;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::size_t equals = parts[i].find('=');
        const std::string key(parts[i].substr(0, equals));
        if (equals == std::string_view::npos || key.empty() || equals + 1 == parts[i].size()) {
            throw Error("The codec " + quoted(text) + ": " + quoted(parts[i]) + " is not KEY=VALUE");
        }
        const std::string value(parts[i].substr(equals + 1));
        const bool repeated = key == "label" ? labelled : choice.settings.contains(key);
        if (repeated) throw Error("The codec " + quoted(text) + " gives " + key + " twice");
        if (key == "label") {
            choice.label = value;
            labelled = true;
        } else {
            choice.settings[key] = value;
        }
    }
    return choice;
}

namespace {

const SettingDescription* declarationOf(const std::string& key, const std::vector<SettingDescription>& declared) {
    const auto description =
        std::find_if(declared.begin(), declared.end(), [&key](const SettingDescription& d) { return d.key == key; });
    return description == declared.end() ? nullptr : &*description;
}

}  // namespace

CodecSettings canonicalSettings(const CodecSettings& settings, const std::vector<SettingDescription>& declared) {
    CodecSettings canonical;
    for (const auto& [key, value] : settings) {
        const SettingDescription* description = declarationOf(key, declared);
        canonical[key] = description != nullptr ? description->canonical(value) : value;
    }
    return canonical;
}

CodecSettings checkCodecSettings(const std::string& codec, const CodecSettings& settings,
                                 const std::vector<SettingDescription>& declared) {
    for (const auto& [key, value] : settings) {
        const SettingDescription* description = declarationOf(key, declared);
        if (description == nullptr) {
            std::string keys;
            for (const SettingDescription& d : declared) keys += (keys.empty() ? "" : ", ") + d.key;
            throw Error("The codec " + codec + " has no setting " + quoted(key) +
                        (keys.empty() ? "; it takes none" : "; it takes " + keys));
        }
        if (!description->accepts(value)) {
            throw Error("The codec " + codec + " takes " + key + " " + description->allowed() + ", not " +
                        quoted(value));
        }
    }
    return canonicalSettings(settings, declared);
}

CodecSettings resolvedSettings(const CodecSettings& given, const std::vector<SettingDescription>& declared) {
    CodecSettings settings;
    for (const SettingDescription& description : declared) {
        const auto value = given.find(description.key);
        settings[description.key] = value == given.end() ? description.defaultValue : value->second;
    }
    return settings;
}

int settingNumber(const CodecSettings& settings, const std::string& key) {
    const auto value = settings.find(key);
    int number = 0;
    if (value == settings.end() || !decimalNumber(value->second, number)) {
        throw Error("The setting " + key + " is " + (value == settings.end() ? "missing" : "not a number"));
    }
    return number;
}

}  // namespace brenlow

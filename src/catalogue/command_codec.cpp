#include "catalogue/command_codec.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <string_view>

#include "catalogue/codec_registry.h"
#include "io/error.h"
#include "io/file_io.h"

namespace brenlow {
namespace {

// A description is a page of text; anything far larger is not one.
constexpr std::uint64_t kMaxDescriptionBytes = 1u << 20;
constexpr double kLongestTimeLimit = 86400;

const char* const kFixedPlaceholders[] = {"input", "output", "quality"};

bool isWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Built by appending: GCC 12 warns (-Wrestrict) about '"\"" + text + "\""' here, wrongly.
std::string inQuotes(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    return quoted.append(1, '"').append(text).append(1, '"');
}

bool isWord(const std::string& text) { return !text.empty() && std::all_of(text.begin(), text.end(), isWordChar); }

// Calls found(start, length, word) for each "{word}" in `text`.
template <typename Found>
void forEachPlaceholder(const std::string& text, Found found) {
    for (std::size_t open = text.find('{'); open != std::string::npos; open = text.find('{', open + 1)) {
        const std::size_t close = text.find('}', open + 1);
        if (close == std::string::npos) return;
        const std::string word = text.substr(open + 1, close - open - 1);
        if (isWord(word)) found(open, close - open + 1, word);
    }
}

// Reads one codec's object, throwing Error(what is wrong) without the file: the caller adds it.
class DescriptionReader {
public:
    explicit DescriptionReader(const QJsonObject& object) : object_(object) {}

    CommandCodec read() {
        refuseUnknownKeys();
        CommandCodec codec;
        codec.name = text("name");
        where_ = "codec \"" + codec.name + "\": ";
        checkName(codec.name);
        codec.title = object_.contains("title") ? text("title") : codec.name;
        codec.encode = arguments("encode");
        codec.decode = arguments("decode");
        codec.pictureFormat = pictureFormat();
        codec.extension = extension();
        codec.qualities = qualities();
        codec.settings = settings();
        codec.timeLimitSeconds = timeLimit();
        codec.version = version();
        checkPlaceholders(codec, "encode", codec.encode);
        checkPlaceholders(codec, "decode", codec.decode);
        return codec;
    }

private:
    [[noreturn]] void fail(const std::string& what) const { throw Error(where_ + what); }

    QJsonValue required(const char* key) const {
        if (!object_.contains(key)) fail(inQuotes(key) + " is missing");
        return object_.value(key);
    }

    std::string text(const char* key) const { return textOf(required(key), inQuotes(key)); }

    std::string textOf(const QJsonValue& value, const std::string& what) const {
        if (!value.isString() || value.toString().isEmpty()) fail(what + " must be a text that is not empty");
        return value.toString().toStdString();
    }

    int wholeNumber(const QJsonValue& value, const std::string& what) const {
        const double number = value.toDouble();
        if (!value.isDouble() || number != std::trunc(number) || std::fabs(number) > kFurthestQuality)
            fail(what + " must be a whole number");
        return static_cast<int>(number);
    }

    void refuseUnknownKeys() const {
        static const std::set<QString> known{"name",    "title",   "encode",   "decode",    "format",
                                             "extension", "quality", "settings", "time_limit", "version"};
        for (const QString& key : object_.keys())
            if (known.count(key) == 0) fail(inQuotes(key.toStdString()) + " is not a key of a codec description");
    }

    void checkName(const std::string& name) const {
        const bool plain = std::all_of(name.begin(), name.end(), [](char c) { return isWordChar(c) || c == '-' || c == '.'; });
        if (!plain) fail("a name may hold only letters, digits, '_', '-' and '.'");
        const CodecEntry* known = codecEntryNamed(name);
        if (known != nullptr && known->command == nullptr)
            fail(known->caller != nullptr ? "the name is that of a codec handed in by " + known->caller->origin()
                                          : std::string("the name is a built-in codec's"));
    }

    std::vector<std::string> arguments(const char* key) const {
        const QJsonValue value = required(key);
        const std::string what = inQuotes(key);
        if (!value.isArray() || value.toArray().isEmpty()) fail(what + " must be an array of arguments, program first");
        std::vector<std::string> list;
        for (const QJsonValue& argument : value.toArray()) {
            if (!argument.isString()) fail(what + " must hold texts only");
            list.push_back(argument.toString().toStdString());
        }
        if (list.front().empty()) fail(what + " names no program");
        return list;
    }

    std::string pictureFormat() const {
        const std::string format = text("format");
        if (format != "png" && format != "ppm" && format != "bmp") fail("\"format\" must be png, ppm or bmp");
        return format;
    }

    std::string extension() const {
        std::string extension = text("extension");
        if (extension.front() != '.') extension = std::string(1, '.').append(extension);
        const bool plain = extension.size() > 1 && std::all_of(extension.begin() + 1, extension.end(), [](char c) {
                               return isWordChar(c) || c == '-';
                           });
        if (!plain) fail("\"extension\" may hold only letters, digits, '_' and '-' after its dot");
        return extension;
    }

    QualityRange qualities() const {
        const QJsonValue value = required("quality");
        if (!value.isObject()) fail("\"quality\" must be an object with \"min\" and \"max\"");
        const QJsonObject range = value.toObject();
        for (const char* end : {"min", "max"})
            if (!range.contains(end)) fail("\"quality\" lacks \"" + std::string(end) + "\"");
        const QualityRange qualities{wholeNumber(range.value("min"), "the quality's \"min\""),
                                     wholeNumber(range.value("max"), "the quality's \"max\"")};
        if (qualities.lowest > qualities.highest) fail("the quality's \"min\" is above its \"max\"");
        return qualities;
    }

    std::vector<SettingDescription> settings() const {
        if (!object_.contains("settings")) return {};
        const QJsonValue value = object_.value("settings");
        if (!value.isArray()) fail("\"settings\" must be an array of settings");
        std::vector<SettingDescription> list;
        for (const QJsonValue& entry : value.toArray()) {
            if (!entry.isObject()) fail("each of \"settings\" must be an object");
            SettingDescription setting = settingOf(entry.toObject());
            const auto same = [&](const SettingDescription& other) { return other.key == setting.key; };
            if (std::any_of(list.begin(), list.end(), same)) fail("the setting \"" + setting.key + "\" is declared twice");
            list.push_back(std::move(setting));
        }
        return list;
    }

    SettingDescription settingOf(const QJsonObject& entry) const {
        for (const QString& key : entry.keys())
            if (key != "key" && key != "meaning" && key != "min" && key != "max" && key != "choices" && key != "default")
                fail(inQuotes(key.toStdString()) + " is not a key of a setting");
        SettingDescription setting;
        setting.key = textOf(entry.value("key"), "a setting's \"key\"");
        const std::string what = "the setting \"" + setting.key + "\"";
        const bool fixed = std::find(std::begin(kFixedPlaceholders), std::end(kFixedPlaceholders), setting.key) !=
                           std::end(kFixedPlaceholders);
        if (!isWord(setting.key) || fixed)
            fail(what + ": a key is letters, digits and '_', and not input, output or quality");
        if (entry.contains("meaning")) setting.meaning = textOf(entry.value("meaning"), what + "'s \"meaning\"");
        readAllowed(entry, setting, what);
        const QJsonValue fallback = entry.value("default");
        if (fallback.isDouble()) setting.defaultValue = std::to_string(wholeNumber(fallback, what + "'s \"default\""));
        else setting.defaultValue = textOf(fallback, what + "'s \"default\"");
        if (!setting.accepts(setting.defaultValue))
            fail(what + ": the default \"" + setting.defaultValue + "\" is not one of " + setting.allowed());
        setting.defaultValue = setting.canonical(setting.defaultValue);
        return setting;
    }

    void readAllowed(const QJsonObject& entry, SettingDescription& setting, const std::string& what) const {
        if (entry.contains("choices")) {
            const QJsonValue choices = entry.value("choices");
            if (!choices.isArray() || choices.toArray().isEmpty()) fail(what + ": \"choices\" must be a list of texts");
            for (const QJsonValue& choice : choices.toArray()) setting.choices.push_back(textOf(choice, what + "'s choices"));
            return;
        }
        if (!entry.contains("min") || !entry.contains("max")) fail(what + " needs \"min\" and \"max\", or \"choices\"");
        setting.lowest = wholeNumber(entry.value("min"), what + "'s \"min\"");
        setting.highest = wholeNumber(entry.value("max"), what + "'s \"max\"");
        if (setting.lowest > setting.highest) fail(what + ": \"min\" is above \"max\"");
    }

    double timeLimit() const {
        if (!object_.contains("time_limit")) return kDefaultCommandTimeLimit;
        const QJsonValue value = object_.value("time_limit");
        if (!value.isDouble() || !(value.toDouble() > 0) || value.toDouble() > kLongestTimeLimit)
            fail("\"time_limit\" must be a number of seconds above 0 and at most 86400");
        return value.toDouble();
    }

    std::string version() const {
        if (!object_.contains("version")) return {};
        const QJsonValue value = object_.value("version");
        if (value.isDouble()) return QString::number(value.toDouble(), 'g', 17).toStdString();
        return textOf(value, "\"version\" (a text or a number)");
    }

    void checkPlaceholders(const CommandCodec& codec, const std::string& command,
                           const std::vector<std::string>& arguments) const {
        std::set<std::string> used;
        for (const std::string& argument : arguments) {
            forEachPlaceholder(argument, [&](std::size_t, std::size_t, const std::string& word) {
                const bool fixed = std::find(std::begin(kFixedPlaceholders), std::end(kFixedPlaceholders), word) !=
                                   std::end(kFixedPlaceholders);
                const bool setting = std::any_of(codec.settings.begin(), codec.settings.end(),
                                                 [&](const SettingDescription& s) { return s.key == word; });
                if (!fixed && !setting)
                    fail("\"" + command + "\" holds {" + word + "}, which is neither {input}, {output}, {quality} "
                         "nor a declared setting");
                used.insert(word);
            });
        }
        for (const char* needed : {"input", "output"})
            if (used.count(needed) == 0) fail("\"" + command + "\" never names {" + std::string(needed) + "}");
    }

    const QJsonObject& object_;
    std::string where_;
};

// Of what the description says its programs are to do: a title or a version (compared on its own)
// changes no figure.
std::string descriptionDigest(QJsonObject object) {
    object.remove("title");
    object.remove("version");
    return QCryptographicHash::hash(QJsonDocument(object).toJson(QJsonDocument::Compact), QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

std::vector<CommandCodec> codecsOf(const QJsonDocument& document) {
    std::vector<QJsonObject> objects;
    if (document.isObject()) objects.push_back(document.object());
    for (const QJsonValue& value : document.array()) {
        if (!value.isObject()) throw Error("each codec of the list must be an object");
        objects.push_back(value.toObject());
    }
    if (objects.empty()) throw Error("it holds no codec");
    std::vector<CommandCodec> codecs;
    for (const QJsonObject& object : objects) {
        CommandCodec codec = DescriptionReader(object).read();
        codec.descriptionSha256 = descriptionDigest(object);
        const auto same = [&](const CommandCodec& other) { return other.name == codec.name; };
        if (std::any_of(codecs.begin(), codecs.end(), same)) throw Error("the name \"" + codec.name + "\" is given twice");
        codecs.push_back(std::move(codec));
    }
    return codecs;
}

}  // namespace

std::vector<CommandCodec> parseCommandCodecs(const QByteArray& json, const std::string& fileName) {
    const std::string intro = "The codec description \"" + fileName + "\" ";
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (document.isNull()) {
        throw Error(intro + "is not JSON: " + parseError.errorString().toStdString() + " at byte " +
                    std::to_string(parseError.offset));
    }
    try {
        std::vector<CommandCodec> codecs = codecsOf(document);
        for (CommandCodec& codec : codecs) codec.file = fileName;
        return codecs;
    } catch (const Error& error) {
        throw Error(intro + "is wrong: " + error.what());
    }
}

std::vector<CommandCodec> readCommandCodecFile(const std::string& path) {
    const Bytes bytes = readWholeFile(path, kMaxDescriptionBytes);
    return parseCommandCodecs(QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())),
                              path);
}

std::vector<std::string> substitutedArguments(const std::vector<std::string>& arguments, const std::string& input,
                                              const std::string& output, int quality, const CodecSettings& settings) {
    const std::string qualityText = std::to_string(quality);
    const auto valueOf = [&](const std::string& word) -> const std::string* {
        if (word == "input") return &input;
        if (word == "output") return &output;
        if (word == "quality") return &qualityText;
        const auto found = settings.find(word);
        return found == settings.end() ? nullptr : &found->second;
    };
    std::vector<std::string> result;
    for (const std::string& argument : arguments) {
        std::string made;
        std::size_t copied = 0;
        forEachPlaceholder(argument, [&](std::size_t start, std::size_t length, const std::string& word) {
            const std::string* value = valueOf(word);
            if (value == nullptr || start < copied) return;
            made += argument.substr(copied, start - copied) + *value;
            copied = start + length;
        });
        result.push_back(made + argument.substr(copied));
    }
    return result;
}

}  // namespace brenlow

#include "cli/codecs_command.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "brenlow/codec.h"
#include "brenlow/tables.h"

namespace brenlow::cli {
namespace {

QString text(const std::string& value) { return QString::fromStdString(value); }

QJsonObject codecJson(const CodecEntry& entry) {
    QJsonArray settings;
    for (const SettingDescription& setting : entry.settings) settings.append(settingDescriptionJson(setting));
    return {{"name", text(entry.name)},
            {"title", text(entry.title)},
            {"extension", text(entry.extension)},
            {"qualities", QJsonObject{{"lowest", entry.qualities.lowest}, {"highest", entry.qualities.highest}}},
            {"settings", settings},
            {"defaults", text(entry.settingsLine(resolvedSettings({}, entry.settings)))},
            {"library", text(entry.library())}};
}

std::string codecText(const CodecEntry& entry) {
    std::string text = entry.name + " (" + entry.title + ", " + entry.extension + "): quality " +
                       std::to_string(entry.qualities.lowest) + "-" + std::to_string(entry.qualities.highest) + ", " +
                       entry.library() + "\n";
    for (const SettingDescription& setting : entry.settings) {
        text += "  " + setting.key + "=" + setting.allowed() + " (default " + setting.defaultValue + "): " +
                setting.meaning + "\n";
    }
    text += "  at the defaults: " + entry.settingsLine(resolvedSettings({}, entry.settings)) + "\n";
    return text;
}

}  // namespace

std::string codecsListing(bool json) {
    if (json) {
        QJsonArray codecs;
        for (const CodecEntry& entry : codecRegistry()) codecs.append(codecJson(entry));
        return QJsonDocument(QJsonObject{{"codecs", codecs}}).toJson(QJsonDocument::Compact).toStdString() + "\n";
    }
    std::string listing;
    for (const CodecEntry& entry : codecRegistry()) listing += codecText(entry);
    return listing;
}

}  // namespace brenlow::cli

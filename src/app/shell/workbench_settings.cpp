#include "app/shell/workbench_settings.h"

#include <QFileInfo>
#include <QSettings>

#include "io/error.h"

namespace brenlow {

namespace {

const QString kRecentFilesKey = QStringLiteral("recentFiles");
const QString kCodecFilesKey = QStringLiteral("codecFiles");

QString codecSettingsKey(const CodecEntry& codec) {
    return QStringLiteral("codecSettings/") + QString::fromStdString(codec.name);
}

void storeRecentFiles(const QStringList& files) {
    openWorkbenchSettings()->setValue(kRecentFilesKey, files);
}

}  // namespace

std::unique_ptr<QSettings> openWorkbenchSettings() {
    // Named here rather than taken from the application, so that every entry point shares them.
    return std::make_unique<QSettings>(QStringLiteral("Brenlow"), QStringLiteral("Brenlow"));
}

QStringList withRecentFile(QStringList files, const QString& file) {
    files.removeAll(file);
    files.prepend(file);
    if (files.size() > kRecentFileLimit) files.resize(kRecentFileLimit);
    return files;
}

QStringList recentFiles() {
    return openWorkbenchSettings()->value(kRecentFilesKey).toStringList();
}

void rememberRecentFile(const QString& file) {
    storeRecentFiles(withRecentFile(recentFiles(), QFileInfo(file).absoluteFilePath()));
}

void forgetRecentFile(const QString& file) {
    QStringList files = recentFiles();
    files.removeAll(file);
    storeRecentFiles(files);
}

QStringList rememberedCodecFiles() {
    return openWorkbenchSettings()->value(kCodecFilesKey).toStringList();
}

void rememberCodecFiles(const QStringList& files) {
    const std::unique_ptr<QSettings> stored = openWorkbenchSettings();
    if (files.isEmpty()) stored->remove(kCodecFilesKey);
    else stored->setValue(kCodecFilesKey, files);
}

CodecSettings rememberedCodecSettings(const CodecEntry& codec) {
    const QString text = openWorkbenchSettings()->value(codecSettingsKey(codec)).toString();
    if (text.isEmpty()) return {};
    try {
        const CodecChoice choice = parseCodecChoice(codec.name + ":" + text.toStdString());
        return checkCodecSettings(codec.name, choice.settings, codec.settings);
    } catch (const Error&) {
        return {};
    }
}

void rememberCodecSettings(const CodecEntry& codec, const CodecSettings& settings) {
    CodecChoice choice{codec.name, {}, {}};
    for (const SettingDescription& setting : codec.settings) {
        const auto value = settings.find(setting.key);
        if (value != settings.end() && value->second != setting.defaultValue) choice.settings[setting.key] = value->second;
    }
    const std::string text = choice.text();
    const std::unique_ptr<QSettings> stored = openWorkbenchSettings();
    if (choice.settings.empty()) {
        stored->remove(codecSettingsKey(codec));
    } else {
        stored->setValue(codecSettingsKey(codec), QString::fromStdString(text.substr(codec.name.size() + 1)));
    }
}

QString rememberedDialogFolder(const QString& dialog) {
    return openWorkbenchSettings()->value(QStringLiteral("dialogFolders/") + dialog).toString();
}

void rememberDialogFolder(const QString& dialog, const QString& folder) {
    openWorkbenchSettings()->setValue(QStringLiteral("dialogFolders/") + dialog, folder);
}

}  // namespace brenlow

#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "brenlow/codec.h"

class QSettings;

namespace brenlow {

// How many files File > Recent Files offers.
inline constexpr qsizetype kRecentFileLimit = 8;

// The workbench's own settings: window layout and recent files.
std::unique_ptr<QSettings> openWorkbenchSettings();

// The list with `file` first, each file once, at most kRecentFileLimit long.
QStringList withRecentFile(QStringList files, const QString& file);

// Most recent first, as absolute paths.
QStringList recentFiles();
void rememberRecentFile(const QString& file);
void forgetRecentFile(const QString& file);

// The codec description files loaded through Compress > Anchor Codec > Load Codec Descriptions...,
// as absolute paths in the order loaded: the workbench loads them again at start.
QStringList rememberedCodecFiles();
void rememberCodecFiles(const QStringList& files);

// The folder a file dialog of the workbench ("open", "codecFiles") last took a file from, so that
// each starts where it was left rather than where another was; empty before its first use.
QString rememberedDialogFolder(const QString& dialog);
void rememberDialogFolder(const QString& dialog, const QString& folder);

// The settings the user chose for a codec, only those away from the defaults. Settings stored by
// another build that the codec no longer takes are dropped, never an error.
CodecSettings rememberedCodecSettings(const CodecEntry& codec);
void rememberCodecSettings(const CodecEntry& codec, const CodecSettings& settings);

}  // namespace brenlow

#pragma once

#include <QString>
#include <QStringList>
#include <memory>

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

}  // namespace brenlow

#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace brenlow {

// A question box of two buttons, the text shown as typed; true when the user took `yes`.
bool askExitQuestion(QWidget* parent, const QString& question, const QString& yes, const QString& no);

// What exit asks about the result windows open: `lost` name the windows whose results are saved
// nowhere, `filed` ("title: folder") those whose results are in result folders on disk. Empty
// when nothing would be lost.
QString discardResultsQuestion(const QStringList& lost, const QStringList& filed);

}  // namespace brenlow

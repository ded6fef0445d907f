#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace brenlow {

// Names of pictures, curves and folders come from files and other people. Where Qt might take
// them for HTML, "<b>x</b>" would show as a bold x and an <img> would read a file of the
// computer's; these show them as typed.

// For a chart: Qt Charts draws every series name and title as HTML.
QString chartText(const QString& text);

// For a tooltip, which Qt takes for HTML when it looks like it; plain text stays as it is.
QString plainTip(const QString& text);

// A label that shows its text as typed.
QLabel* plainLabel(const QString& text = {});

// A message box about a failure, showing the message as typed.
void showFailureBox(QWidget* parent, const QString& text);

// For a tab or button: a lone "&" would underline the next letter.
QString withoutMnemonics(const QString& text);

}  // namespace brenlow

#pragma once

#include <QString>

class QWidget;

namespace brenlow {

// A file or window name as a numbered menu entry shows it: a lone "&" would underline the next letter.
QString numberedMenuText(int number, const QString& name);

// Brings a window of its own back in front of the main window, restored if it was minimised.
void raiseSideWindow(QWidget& window);

}  // namespace brenlow

// What the workbench bench programs share: Qt's offscreen platform unless told otherwise, and a
// main form whose messages go to stderr and are counted instead of shown in a box.
#pragma once

#include <QString>
#include <cstdio>

#include "app/shell/main_form.h"

namespace brenlow::bench {

inline void offscreenUnlessTold() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

inline void printMessages(TMainForm& form, int& count) {
    form.showMessage = [&count](const QString& text) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        ++count;
    };
}

}  // namespace brenlow::bench

#include "app/shell/field_tips.h"

#include "codecs/field_rules.h"

namespace brenlow {

QString qualityTip() {
    return QStringLiteral("Quality, two digits (0-99 here; 100 from the command line): JPEG takes 0-100, AVC and AJC "
                          "1-100, an anchor codec its own range. Higher is better and larger; a value a command does "
                          "not take becomes 80.");
}

// The divisor is read as the still commands read it, so the tip shows what a run will use.
QString divisorTip(const QString& fieldText) {
    const std::string text = fieldText.toStdString();
    const float divisor = readDivisor(text, Command::AvcStill);
    return QStringLiteral("Divisor code %1: the coefficients are divided by %2 (code N gives N + 0.5; 0 gives 2.5). "
                          "Used by AVC and AJC.")
        .arg(readFieldInteger(text))
        .arg(static_cast<double>(divisor));
}

QString focusTip(const QString& fieldText) {
    return QStringLiteral("Focus: %1 sharpening passes over the decoded AVC picture (0 for none).")
        .arg(readFocus(fieldText.toStdString()));
}

}  // namespace brenlow

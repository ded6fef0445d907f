#include "app/shell/result_titles.h"

#include <QStringList>


namespace brenlow {

QString runDescription(const CodecEntry& codec, const StillParameters& parameters, const CodecSettings& resolved) {
    QStringList parts{QString::fromStdString(codec.title), QStringLiteral("q%1").arg(parameters.quality)};
    // The divisor is named by the code the header stores, as the toolbar field reads it.
    if (codec.codec == StillCodec::Avc || codec.codec == StillCodec::Ajc)
        parts << QStringLiteral("d%1").arg(divisorCode(parameters.divisor));
    if (codec.codec == StillCodec::Avc) parts << QStringLiteral("f%1").arg(parameters.passes);
    for (const auto& [key, value] : resolved) parts << QString::fromStdString(key + " " + value);
    return parts.join(QLatin1Char(' '));
}

QString describedTitle(const QString& caption, const QString& description) {
    return description.isEmpty() ? caption : caption + QStringLiteral(" - ") + description;
}

}  // namespace brenlow

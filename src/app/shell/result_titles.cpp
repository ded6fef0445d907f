#include "app/shell/result_titles.h"

#include <QStringList>

#include "app/shell/codec_titles.h"

namespace brenlow {

QString runDescription(StillCodec codec, const StillParameters& parameters, const CodecSettings& resolved) {
    QStringList parts{codecTitle(codec), QStringLiteral("q%1").arg(parameters.quality)};
    // The divisor is named by the code the header stores, as the toolbar field reads it.
    if (codec == StillCodec::Avc || codec == StillCodec::Ajc)
        parts << QStringLiteral("d%1").arg(divisorCode(parameters.divisor));
    if (codec == StillCodec::Avc) parts << QStringLiteral("f%1").arg(parameters.passes);
    for (const auto& [key, value] : resolved) parts << QString::fromStdString(key + " " + value);
    return parts.join(QLatin1Char(' '));
}

QString describedTitle(const QString& caption, const QString& description) {
    return description.isEmpty() ? caption : caption + QStringLiteral(" - ") + description;
}

}  // namespace brenlow

#include "app/shell/result_titles.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
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

QString titleLeadingWithName(const QString& caption, const QString& title, const QFontMetrics& metrics, int width) {
    if (!title.startsWith(caption)) return metrics.elidedText(title, Qt::ElideRight, width);
    const QFileInfo file(caption);
    const QString lead = file.fileName() + title.mid(caption.size());
    // A caption without a folder (a new picture) has nothing to add.
    if (file.fileName() == caption) return metrics.elidedText(lead, Qt::ElideRight, width);
    const QString folder = QDir::toNativeSeparators(file.path());
    const QString opening = QStringLiteral(" (in ");
    const QString closing = QStringLiteral(")");
    const int room = width - metrics.horizontalAdvance(lead + opening + closing);
    // The folder keeps at least a few letters at each end, or goes altogether.
    if (room < metrics.horizontalAdvance(QStringLiteral("/...//"))) return metrics.elidedText(lead, Qt::ElideRight, width);
    return lead + opening + metrics.elidedText(folder, Qt::ElideMiddle, room) + closing;
}

}  // namespace brenlow

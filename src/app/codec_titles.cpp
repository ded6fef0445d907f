#include "app/codec_titles.h"

namespace brenlow {

QString codecTitle(StillCodec codec) {
    switch (codec) {
        case StillCodec::Jpeg:
            return QStringLiteral("JPEG");
        case StillCodec::Avc:
            return QStringLiteral("AVC");
        case StillCodec::Ajc:
            return QStringLiteral("AJC");
        case StillCodec::Webp:
            return QStringLiteral("WebP");
        case StillCodec::Avif:
            return QStringLiteral("AVIF");
        case StillCodec::Jxl:
            return QStringLiteral("JPEG XL");
        case StillCodec::Jp2:
            return QStringLiteral("JPEG 2000");
    }
    return QString::fromLatin1(codecName(codec));
}

}  // namespace brenlow

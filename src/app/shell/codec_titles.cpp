#include "app/shell/codec_titles.h"

#include "brenlow/codec.h"

namespace brenlow {

QString codecTitle(StillCodec codec) { return QString::fromStdString(codecEntryOf(codec).title); }

QString curveTitle(const std::string& curveName) {
    const CodecEntry* entry = codecEntryNamed(curveName);
    return QString::fromStdString(entry != nullptr ? entry->title : curveName);
}

}  // namespace brenlow

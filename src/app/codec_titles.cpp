#include "app/codec_titles.h"

#include "research/codec_registry.h"

namespace brenlow {

QString codecTitle(StillCodec codec) { return QString::fromStdString(codecEntryOf(codec).title); }

}  // namespace brenlow

#pragma once

#include <QString>

#include "research/still_measures.h"

namespace brenlow {

// The codec as menus and panels name it: "JPEG", "AVC", "AJC", "WebP", "AVIF", "JPEG XL", "JPEG 2000".
QString codecTitle(StillCodec codec);

}  // namespace brenlow

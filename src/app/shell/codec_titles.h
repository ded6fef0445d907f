#pragma once

#include <QString>

#include "brenlow/codec.h"

namespace brenlow {

// The codec as menus and panels name it: "JPEG", "AVC", "AJC", "WebP", "AVIF", "JPEG XL", "JPEG 2000".
QString codecTitle(StillCodec codec);

// A curve as the windows name it: a codec at its defaults by the codec's title ("JPEG"), any other
// by its name ("avif:speed=4").
QString curveTitle(const std::string& curveName);

}  // namespace brenlow

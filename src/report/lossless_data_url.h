#pragma once

#include <QImage>
#include <string>

namespace brenlow {

// A picture as a page shows it inline: a data URL of a lossless WebP where this build has the WebP
// library and its module opens (a third smaller than a PNG of a photograph), else of a PNG.
// Converted to sRGB first and left untagged, as a browser takes an untagged picture. Throws Error
// when it cannot be encoded.
std::string losslessDataUrl(const QImage& picture);

}  // namespace brenlow

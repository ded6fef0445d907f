#pragma once

#include <QByteArray>
#include <QImage>

namespace brenlow {

// A lossless WebP file of a Format_RGB888 picture, every pixel kept exactly (built into the module
// of the WebP library). Throws Error when the library cannot encode it.
QByteArray losslessWebpFile(const QImage& rgb);

}  // namespace brenlow

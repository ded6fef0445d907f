#pragma once

#include <QImage>
#include <cstdint>

#include "anchors/anchor_codec.h"

// What the files of the codecs behind anchorCodecs() share. Each codec is built into its module
// with its library.
namespace brenlow::anchors {

const AnchorCodec& webpCodec();
const AnchorCodec& avifCodec();
const AnchorCodec& jxlCodec();
const AnchorCodec& jp2Codec();

// The picture as Format_BGR888 (shared, not copied, when it is one already). Throws Error naming
// the codec when it is empty.
QImage bgrPictureFor(const QImage& picture, const char* codec);

// A Format_BGR888 picture for a decoder to fill, after checking the size its file announces.
// Throws Error naming the codec when the size is empty, above kMaxPixels, or cannot be allocated.
QImage newBgrPicture(std::int64_t width, std::int64_t height, const char* codec);

// Swaps the first and third byte of every pixel in place: RGB rows become BGR and back.
void swapRedAndBlue(QImage& picture);

}  // namespace brenlow::anchors

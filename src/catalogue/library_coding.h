#pragma once

#include <memory>

#include "anchors/anchor_codec.h"
#include "catalogue/codec_coding.h"

namespace brenlow {

// A library's codec as the registry codes with it: the picture's bitmap through its AnchorCodec.
std::shared_ptr<const CodecCoding> libraryCoding(const AnchorCodec& codec);

}  // namespace brenlow

#pragma once

#include <memory>

#include "catalogue/codec_coding.h"
#include "catalogue/command_codec.h"

namespace brenlow {

// A codec described by commands as the registry codes with it: its programs on the picture's
// bitmap, each call in a private folder of its own.
std::shared_ptr<const CodecCoding> commandCoding(const CommandCodec& codec);

}  // namespace brenlow

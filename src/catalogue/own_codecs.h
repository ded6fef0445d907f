#pragma once

#include <memory>

#include "catalogue/codec_coding.h"
#include "codecs/field_rules.h"

namespace brenlow {

// Our three codecs, each coding as its still command codes.
std::shared_ptr<const CodecCoding> jpegCoding();
std::shared_ptr<const CodecCoding> avcCoding();
std::shared_ptr<const CodecCoding> ajcCoding();

// The still commands' parameters of resolved settings at one quality: the divisor and focus where
// the codec declares them, the commands' defaults otherwise. Throws Error for a setting that is no
// whole number.
StillParameters stillParametersFrom(const CodecSettings& settings, int quality);

}  // namespace brenlow

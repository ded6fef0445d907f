#include "catalogue/codec_coding.h"

namespace brenlow {

std::uint64_t CodecCoding::codedSize(const PictureToCode& picture, int quality, const CodecSettings& settings) const {
    return encode(picture, quality, settings).size();
}

}  // namespace brenlow

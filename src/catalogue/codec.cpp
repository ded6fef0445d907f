#include "catalogue/codec.h"

namespace brenlow {

std::uint64_t Codec::codedSize(const PictureToCode& picture, int quality, const CodecSettings& settings) const {
    return encode(picture, quality, settings).size();
}

}  // namespace brenlow

#include "io/bitmap_file.h"
#include "io/error.h"

// Alone in its file: the codec modules carry it too.
namespace brenlow {

void checkPictureSize(std::int64_t width, std::int64_t height, const std::string& what) {
    if (width <= 0 || height <= 0) {
        throw Error(what + " is empty (" + std::to_string(width) + " x " + std::to_string(height) + " pixels)");
    }
    if (width > kMaxPixels || height > kMaxPixels || width * height > kMaxPixels) {
        throw Error(what + " is too large: " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels is above the limit of " + std::to_string(kMaxPixels / 1'000'000) + " megapixels");
    }
}

}  // namespace brenlow

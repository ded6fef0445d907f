// Opening a bitmap file: any bytes either give a 24-bit picture or fail with an Error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "io/bitmap_file.h"
#include "io/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const QImage picture = brenlow::decodeBitmap({data, size}, "fuzz.bmp");
        if (picture.format() != QImage::Format_BGR888 ||
            static_cast<std::int64_t>(picture.width()) * picture.height() > brenlow::kMaxPixels) {
            std::abort();
        }
    } catch (const brenlow::Error&) {
    }
    return 0;
}

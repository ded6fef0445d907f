// Reading a container of any kind up to its decoded planes. The first byte picks the kind.
#include <cstddef>
#include <cstdint>

#include "container/coded_image.h"
#include "imaging/bitmap_bridge.h"
#include "io/error.h"
#include "jpeg/jpeg_bridge.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace brenlow;
    if (size == 0) {
        return 0;
    }
    const auto kind = static_cast<CodedImageKind>(data[0] % 3);
    try {
        const UnpackedCodedImage unpacked = unpackCodedImage({data + 1, size - 1}, kind);
        QImage bitmap;
        LoadJpeg(bitmap, unpacked.jpeg);
        // A few hundred bytes of JPEG may be a legal picture of a hundred megapixels: widening its
        // every pixel under the fuzzer's instrumentation takes minutes and finds nothing that the
        // reading has not, so pictures that large stop at the decoded bitmap.
        constexpr qint64 kWidenedPixelsAtMost = 4'000'000;
        if (static_cast<qint64>(bitmap.width()) * bitmap.height() > kWidenedPixelsAtMost) return 0;
        const ImagePlanes planes = planesFromBitmap(bitmap);
        (void)planes;
    } catch (const Error&) {
    }
    return 0;
}

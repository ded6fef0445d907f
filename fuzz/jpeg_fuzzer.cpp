// LoadJpeg from memory: any bytes either decode or fail with an Error, leaving the bitmap alone.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "io/error.h"
#include "jpeg/jpeg_bridge.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QImage bitmap(3, 2, QImage::Format_BGR888);
    bitmap.fill(Qt::green);
    const QImage before = bitmap;
    try {
        brenlow::LoadJpeg(bitmap, {data, size});
        if (bitmap.format() != QImage::Format_BGR888) {
            std::abort();
        }
    } catch (const brenlow::Error&) {
        if (bitmap != before) {
            std::abort();
        }
    }
    return 0;
}

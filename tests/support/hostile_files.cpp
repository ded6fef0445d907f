#include "support/hostile_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "support/test_support.h"

namespace brenlow::testing {
namespace {

// Compresses rows supplied by `row(y)` with the library's defaults plus whatever `configure` sets.
template <typename Configure, typename Row>
Bytes compressWithLibrary(int width, int height, int components, J_COLOR_SPACE space, Configure configure, Row row) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    configure(info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW pointer = row(static_cast<int>(info.next_scanline));
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

// Where the frame header's fields start (just past its marker), or 0 when there is none.
std::size_t frameHeaderAt(const Bytes& jpeg) {
    for (std::size_t i = 2; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2 || jpeg[i + 1] == 0xC9)) {
            return i + 2;
        }
    }
    ADD_FAILURE() << "no frame header";
    return 0;
}

}  // namespace

Bytes withJpegFrameSize(Bytes jpeg, int width, int height) {
    if (const std::size_t at = frameHeaderAt(jpeg); at != 0) {
        jpeg[at + 3] = static_cast<std::uint8_t>(height >> 8);
        jpeg[at + 4] = static_cast<std::uint8_t>(height);
        jpeg[at + 5] = static_cast<std::uint8_t>(width >> 8);
        jpeg[at + 6] = static_cast<std::uint8_t>(width);
    }
    return jpeg;
}

Bytes withJpegPrecision(Bytes jpeg, int bits) {
    if (const std::size_t at = frameHeaderAt(jpeg); at != 0) {
        jpeg[at + 2] = static_cast<std::uint8_t>(bits);
    }
    return jpeg;
}

Bytes progressiveJpegWithManyScans(int width, int height) {
    std::vector<jpeg_scan_info> script;
    for (int component = 0; component < 3; ++component) {
        script.push_back({1, {component}, 0, 0, 0, 0});
    }
    constexpr int kFirstBit = 10;
    for (int component = 0; component < 3; ++component) {
        for (int band = 1; band < 64; ++band) {
            script.push_back({1, {component}, band, band, 0, kFirstBit});
            for (int bit = kFirstBit; bit > 0; --bit) {
                script.push_back({1, {component}, band, band, bit, bit - 1});
            }
        }
    }
    const QImage picture = patternBitmap(width, height);
    return compressWithLibrary(
        width, height, 3, JCS_EXT_BGR,
        [&](jpeg_compress_struct& info) {
            info.scan_info = script.data();
            info.num_scans = static_cast<int>(script.size());
        },
        [&](int y) { return const_cast<JSAMPROW>(picture.constScanLine(y)); });
}

Bytes greyJpeg(int width, int height) {
    std::vector<JSAMPLE> ramp(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) {
        ramp[static_cast<std::size_t>(x)] = static_cast<JSAMPLE>(x * 255 / (width - 1));
    }
    return compressWithLibrary(
        width, height, 1, JCS_GRAYSCALE, [](jpeg_compress_struct&) {}, [&](int) { return ramp.data(); });
}

Bytes flatGreyArithmeticJpeg(int width, int height) {
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width), 128);
    return compressWithLibrary(
        width, height, 1, JCS_GRAYSCALE, [](jpeg_compress_struct& info) { info.arith_code = TRUE; },
        [&](int) { return row.data(); });
}

}  // namespace brenlow::testing

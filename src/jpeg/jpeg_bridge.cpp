#include "jpeg/jpeg_bridge.h"

#include <QByteArray>
#include <QColorSpace>
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include <future>

#include <jpeglib.h>
#include <jerror.h>

#include "io/bitmap_file.h"
#include "io/bitmap_recycling.h"
#include "io/error.h"
#include "jpeg/jpeg_error_manager.h"
#include "jpeg/jpeg_memory_io.h"
#include "jpeg/jpeg_stream.h"

namespace brenlow {
namespace {

using jpeg_detail::ErrorManager;

// Rows handed to the library per call; fewer calls let it work on whole row groups.
constexpr JDIMENSION kRowsPerCall = 16;

// What the setjmp functions below read and write; owned by their C++ callers, so nothing with a
// destructor lives in a frame that the library may jump out of.
struct CompressionJob {
    const QImage* picture = nullptr;  // Format_BGR888, not empty
    int quality = 0;
    JpegOptions options;
    Bytes* output = nullptr;
    jpeg_detail::HandedOverStream* stream = nullptr;  // where the data goes instead of `output`, when set
    ErrorManager errors{};
};

struct DecompressionJob {
    std::span<const std::uint8_t> data;
    jpeg_detail::HandedOverStream* stream = nullptr;  // where the data comes from instead of `data`, when set
    QImage* picture = nullptr;  // receives the decoded picture; null to read the frame header only
    std::vector<std::uint8_t> iccProfile{};  // the ICC profile its APP2 markers carry, if any
    long width = 0;
    long height = 0;
    int components = 0;
    ErrorManager errors{};
};

// Rows go from the top of the picture down; the library reads our blue-green-red bytes directly,
// with the same arithmetic as for red-green-blue input.
int compress(CompressionJob& job) {
    ErrorManager& errors = job.errors;
    jpeg_compress_struct info{};
    jpeg_detail::VectorDestination destination;
    jpeg_detail::StreamDestination streamDestination;
    info.err = jpeg_detail::installErrorManager(errors);
    if (setjmp(errors.jumpPoint) != 0) {
        jpeg_destroy_compress(&info);
        return errors.failure;
    }
    jpeg_create_compress(&info);
    if (job.stream != nullptr) {
        jpeg_detail::useStreamDestination(&info, streamDestination, *job.stream);
    } else {
        jpeg_detail::useVectorDestination(&info, destination, *job.output);
    }
    info.image_width = static_cast<JDIMENSION>(job.picture->width());
    info.image_height = static_cast<JDIMENSION>(job.picture->height());
    info.input_components = 3;
    info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    info.dct_method = JDCT_FLOAT;
    jpeg_set_quality(&info, job.quality, TRUE);
    info.optimize_coding = job.options.optimizeHuffman ? TRUE : FALSE;
    // The library's defaults sample the chroma at half size both ways (4:2:0).
    info.comp_info[0].h_samp_factor = job.options.chroma == ChromaSubsampling::Full ? 1 : 2;
    info.comp_info[0].v_samp_factor = job.options.chroma == ChromaSubsampling::Half ? 2 : 1;
    jpeg_start_compress(&info, TRUE);
    JSAMPROW rows[kRowsPerCall];
    while (info.next_scanline < info.image_height) {
        const JDIMENSION count = std::min<JDIMENSION>(kRowsPerCall, info.image_height - info.next_scanline);
        for (JDIMENSION k = 0; k < count; ++k) {
            rows[k] = const_cast<JSAMPROW>(job.picture->constScanLine(static_cast<int>(info.next_scanline + k)));
        }
        jpeg_write_scanlines(&info, rows, count);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return jpeg_detail::kNoFailure;
}

void refuseEndlessScans(j_common_ptr common) {
    const auto* info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->input_scan_number > kMaxJpegScans) {
        jpeg_detail::failWith(common, jpeg_detail::kTooManyScans);
    }
}

// A grayscale file comes through the colour quantiser as palette indexes; the palette is grey.
void expandGreyRow(const JSAMPLE* indexes, const j_decompress_ptr info, uchar* pixels) {
    const JSAMPLE* grey = info->colormap[0];
    for (JDIMENSION x = 0; x < info->output_width; ++x) {
        const JSAMPLE value = grey[indexes[x]];
        pixels[3 * x] = value;
        pixels[3 * x + 1] = value;
        pixels[3 * x + 2] = value;
    }
}

void keepIccProfile(j_decompress_ptr info, std::vector<std::uint8_t>& kept) {
    JOCTET* profile = nullptr;
    unsigned int length = 0;
    if (!jpeg_read_icc_profile(info, &profile, &length)) return;
    kept.assign(profile, profile + length);
    std::free(profile);
}

int decompress(DecompressionJob& job) {
    ErrorManager& errors = job.errors;
    jpeg_decompress_struct info{};
    jpeg_detail::SpanSource source;
    jpeg_detail::StreamSource streamSource;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = refuseEndlessScans;
    info.err = jpeg_detail::installErrorManager(errors);
    if (setjmp(errors.jumpPoint) != 0) {
        jpeg_destroy_decompress(&info);
        return errors.failure;
    }
    jpeg_create_decompress(&info);
    info.progress = &progress;
    if (job.stream != nullptr) {
        jpeg_detail::useStreamSource(&info, streamSource, *job.stream);
    } else {
        jpeg_detail::useSpanSource(&info, source, job.data);
    }
    if (job.picture != nullptr) jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&info, TRUE);
    if (job.picture != nullptr) keepIccProfile(&info, job.iccProfile);
    job.width = info.image_width;
    job.height = info.image_height;
    job.components = info.num_components;
    if (job.width * job.height > kMaxPixels) {
        jpeg_detail::failWith(reinterpret_cast<j_common_ptr>(&info), jpeg_detail::kTooLarge);
    }
    const bool grey = info.num_components == 1;
    if (!grey && info.num_components != 3) {
        jpeg_detail::failWith(reinterpret_cast<j_common_ptr>(&info), jpeg_detail::kUnsupportedComponents);
    }
    if (job.picture == nullptr) {
        jpeg_destroy_decompress(&info);
        return jpeg_detail::kNoFailure;
    }
    info.dct_method = JDCT_FLOAT;
    info.do_block_smoothing = TRUE;
    if (grey) {
        info.quantize_colors = TRUE;
        info.desired_number_of_colors = 236;
    } else {
        info.out_color_space = JCS_EXT_BGR;
    }
    jpeg_start_decompress(&info);
    *job.picture = allocateBitmap(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
    if (job.picture->isNull()) {
        jpeg_detail::failWith(reinterpret_cast<j_common_ptr>(&info), JERR_OUT_OF_MEMORY);
    }
    JSAMPARRAY greyRows =
        grey ? (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, info.output_width, 1)
             : nullptr;
    uchar* const firstLine = job.picture->bits();
    const auto bytesPerLine = static_cast<std::size_t>(job.picture->bytesPerLine());
    JSAMPROW rows[kRowsPerCall];
    while (info.output_scanline < info.output_height) {
        const JDIMENSION first = info.output_scanline;
        if (grey) {
            jpeg_read_scanlines(&info, greyRows, 1);
            expandGreyRow(greyRows[0], &info, firstLine + first * bytesPerLine);
            continue;
        }
        const JDIMENSION count = std::min<JDIMENSION>(kRowsPerCall, info.output_height - first);
        for (JDIMENSION k = 0; k < count; ++k) {
            rows[k] = firstLine + (first + k) * bytesPerLine;
        }
        jpeg_read_scanlines(&info, rows, count);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return jpeg_detail::kNoFailure;
}

}  // namespace

Bytes SaveAsJpeg(const QImage& picture, std::uint8_t quality) { return SaveAsJpeg(picture, quality, JpegOptions{}); }

Bytes SaveAsJpeg(const QImage& picture, std::uint8_t quality, const JpegOptions& options) {
    if (picture.width() == 0 || picture.height() == 0) {
        return {};
    }
    const QImage converted = as24BitPicture(picture);
    Bytes output;
    CompressionJob job{.picture = &converted, .quality = quality, .options = options, .output = &output};
    if (compress(job) != jpeg_detail::kNoFailure) {
        jpeg_detail::throwJpegFailure(job.errors, converted.width(), converted.height(), 3);
    }
    return output;
}

JpegCodedAndDecoded SaveAsJpegAndDecode(const QImage& picture, std::uint8_t quality, const JpegOptions& options) {
    JpegCodedAndDecoded result;
    if (picture.width() == 0 || picture.height() == 0) {
        LoadJpeg(result.decoded, result.bytes);  // fails as the decoder fails on no data
        return result;
    }
    const QImage converted = as24BitPicture(picture);
    jpeg_detail::HandedOverStream stream;
    DecompressionJob decoding{.data = {}, .stream = &stream, .picture = &result.decoded};
    std::future<int> decoded = std::async(std::launch::async, [&decoding] { return decompress(decoding); });
    CompressionJob coding{.picture = &converted, .quality = quality, .options = options, .stream = &stream};
    const int codingFailure = compress(coding);
    stream.close();  // a failed encoder leaves the decoder at the end of what it wrote
    const int decodingFailure = decoded.get();
    if (codingFailure != jpeg_detail::kNoFailure) {
        jpeg_detail::throwJpegFailure(coding.errors, converted.width(), converted.height(), 3);
    }
    if (decodingFailure != jpeg_detail::kNoFailure) {
        result.decoded = QImage();
        jpeg_detail::throwJpegFailure(decoding.errors, decoding.width, decoding.height, decoding.components);
    }
    result.bytes = stream.joined();
    return result;
}

void SaveAsJpeg(const QImage& picture, const std::string& fileName, std::uint8_t quality, int /*pixelFormat*/) {
    writeFileAtomically(fileName, SaveAsJpeg(picture, quality));
}

JpegFrame ReadJpegFrame(std::span<const std::uint8_t> data) {
    DecompressionJob job{.data = data};
    if (decompress(job) != jpeg_detail::kNoFailure) {
        jpeg_detail::throwJpegFailure(job.errors, job.width, job.height, job.components);
    }
    return {static_cast<int>(job.width), static_cast<int>(job.height), job.components};
}

void LoadJpeg(QImage& bitmap, std::span<const std::uint8_t> data) {
    QImage decoded;
    DecompressionJob job{.data = data, .picture = &decoded};
    if (decompress(job) != jpeg_detail::kNoFailure) {
        jpeg_detail::throwJpegFailure(job.errors, job.width, job.height, job.components);
    }
    // A profile Qt cannot read leaves the picture untagged, that is sRGB.
    if (!job.iccProfile.empty()) {
        decoded.setColorSpace(QColorSpace::fromIccProfile(
            QByteArray(reinterpret_cast<const char*>(job.iccProfile.data()), static_cast<qsizetype>(job.iccProfile.size()))));
    }
    bitmap = std::move(decoded);
}

void LoadJpeg(QImage& bitmap, const std::string& fileName) {
    // A JPEG stream cannot usefully be larger than its uncompressed picture at the limit.
    constexpr std::uint64_t kMaxFileBytes = static_cast<std::uint64_t>(kMaxPixels) * 3;
    const Bytes data = readWholeFile(fileName, kMaxFileBytes);
    try {
        LoadJpeg(bitmap, data);
    } catch (const Error& error) {
        throw error.concerning(fileName);
    }
}

}  // namespace brenlow

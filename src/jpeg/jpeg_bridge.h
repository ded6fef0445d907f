#pragma once

#include <QImage>
#include <cstdint>
#include <span>
#include <string>

#include "io/file_io.h"

namespace brenlow {

// Any JPEG file with more scans than this is refused (a progressive file can ask for thousands).
inline constexpr int kMaxJpegScans = 100;

// Baseline JPEG of the picture: libjpeg defaults, RGB input, float DCT, quality with baseline
// forced (the library treats 0 as 1 and anything above 100 as 100). Rows go top to bottom; a
// picture of another depth is coded as its 24-bit conversion. An empty picture gives no bytes.
// Library failures throw Error("JPEG error #N: <the library's own text>").
Bytes SaveAsJpeg(const QImage& picture, std::uint8_t quality);

// How the chroma is sampled against the luma: 4:2:0 halves it both ways (the library's default),
// 4:2:2 across only, 4:4:4 not at all.
enum class ChromaSubsampling { Half, HalfAcross, Full };

struct JpegOptions {
    bool optimizeHuffman = false;  // Huffman tables made for the picture instead of the standard ones
    ChromaSubsampling chroma = ChromaSubsampling::Half;
};

// The same with other choices than the library's defaults; JpegOptions{} gives the same bytes.
Bytes SaveAsJpeg(const QImage& picture, std::uint8_t quality, const JpegOptions& options);

// A picture's JPEG bytes and their decoding.
struct JpegCodedAndDecoded {
    Bytes bytes;
    QImage decoded;
};

// SaveAsJpeg(picture, quality, options) and LoadJpeg of its bytes in one: the decoder reads the
// stream on another thread while the encoder writes it, so that the decoding costs little time
// beyond the coding (the library codes on one core). The same bytes, pixels and errors as the two
// calls in turn: the encoder's failure first, and an empty picture fails as LoadJpeg of no data.
JpegCodedAndDecoded SaveAsJpegAndDecode(const QImage& picture, std::uint8_t quality, const JpegOptions& options = {});

// The same, written whole or not at all to fileName. pixelFormat (0 = 24-bit, 1 = 8-bit palette)
// only says how the picture would present itself and does not change the file.
void SaveAsJpeg(const QImage& picture, const std::string& fileName, std::uint8_t quality, int pixelFormat);

struct JpegFrame {
    int width = 0;
    int height = 0;
    int components = 0;
};

// Reads no further than the frame header: the picture's size, known before any pixel is decoded.
// Throws Error as LoadJpeg does for everything up to that point, including the picture limit.
JpegFrame ReadJpegFrame(std::span<const std::uint8_t> data);

// Decodes JPEG data at full scale with the float DCT into a 24-bit bitmap (Format_BGR888).
// The picture keeps the ICC profile the file carries (untagged, that is sRGB, without one).
// A grayscale file goes through the library's colour quantiser (236 colours) and comes out grey.
// Any library error or warning (not a JPEG, truncated or corrupt data), a picture above the
// picture limit and a file with more than kMaxJpegScans scans throw Error; `bitmap` is then left
// exactly as it was.
void LoadJpeg(QImage& bitmap, std::span<const std::uint8_t> data);

// The same from a file. Throws Error when the file cannot be opened; the decoder's errors then
// name the file.
void LoadJpeg(QImage& bitmap, const std::string& fileName);

}  // namespace brenlow

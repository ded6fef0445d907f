#pragma once

#include <QImage>
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "io/file_io.h"

namespace brenlow {

enum class CodedImageKind { AvcStill, AjcStill, SequenceFrame };

inline constexpr std::size_t kCodedHeaderSize = 42;

// The 42-byte header, packed: the two 32-bit fields lie at the odd offsets 19 and 23 and are
// little-endian in the file whatever the host. Use toBytes/fromBytes, never memcpy of the struct.
#pragma pack(push, 1)
struct CodedImageHeader {
    std::array<std::uint8_t, 15> signature{};  // 0
    std::uint8_t format_tag = 0;               // 15: 40 for stills, 34 for sequence frames
    std::uint8_t codec_id = 0;                 // 16: 2 for AVC, 1 for AJC
    std::uint8_t zero_byte = 0;                // 17
    std::uint8_t divisor_code = 0;             // 18: the divisor truncated; decoders multiply by this + 0.5
    std::uint32_t checksum = 0;                // 19
    std::int32_t extra_word = 0;               // 23: passes (AVC still), frame index (sequence), unset (AJC)
    std::array<std::uint8_t, 15> reserved{};   // 27: never set, never read

    std::array<std::uint8_t, kCodedHeaderSize> toBytes() const;
    static CodedImageHeader fromBytes(std::span<const std::uint8_t, kCodedHeaderSize> bytes);
};
#pragma pack(pop)
static_assert(sizeof(CodedImageHeader) == kCodedHeaderSize);

// The header a writer fills in for this kind: signature, tags, divisor code, extra word (ignored
// for AJC stills) and the checksum over the payload length.
CodedImageHeader makeCodedImageHeader(CodedImageKind kind, std::uint8_t divisorCode, std::int32_t extraWord,
                                      std::uint32_t payloadLength);

// The weak checksum: payload length + bytes 15..18, plus extra_word for AVC stills; wraps at 2^32.
std::uint32_t codedImageChecksum(const CodedImageHeader& header, CodedImageKind kind, std::uint32_t payloadLength);

// The payload mask of each kind: 0xA7 (AVC still), 0x5E (AJC still), 0xC6 (sequence frame).
std::uint8_t payloadMask(CodedImageKind kind);

// The messages every reader fails with, whatever the kind.
inline constexpr const char* kIntegrityLost = "AJC read error, file integrity lost";
inline constexpr const char* kVersionIncompatible = "AJC read error, possible version incompatibility";

// Header followed by the masked JPEG stream.
Bytes buildCodedImage(CodedImageKind kind, std::uint8_t divisorCode, std::int32_t extraWord,
                      std::span<const std::uint8_t> jpeg);

// Writes buildCodedImage(...) to outputPath whole or not at all; returns the file's byte size.
std::uint64_t writeCodedImage(const std::string& outputPath, CodedImageKind kind, std::uint8_t divisorCode,
                              std::int32_t extraWord, std::span<const std::uint8_t> jpeg);

struct UnpackedCodedImage {
    CodedImageHeader header;
    Bytes jpeg;  // unmasked; starts with 0xFF 0xD8
    float multiplier = 0.0f;  // divisor_code + 0.5
};

// Checks a container held in memory in the reader's order: under 42 bytes, then checksum (and
// codec_id = 1 for AJC stills) -> kIntegrityLost; after unmasking, no JPEG start marker ->
// kVersionIncompatible. Throws Error with exactly those texts.
UnpackedCodedImage unpackCodedImage(std::span<const std::uint8_t> file, CodedImageKind kind);

struct CodedImage {
    QImage bitmap;  // 24-bit, Format_BGR888
    float multiplier = 0.0f;
    std::int32_t extraWord = 0;
};

// What a decoder has to say about a container before its pixels are decoded: its header and the
// coded picture's size from the JPEG frame header. It throws Error to refuse the file.
using CodedImageCheck = std::function<void(const CodedImageHeader& header, int width, int height)>;

// What decoders multiply the coded samples by: the divisor code + 0.5.
float codedMultiplier(std::uint8_t divisorCode);

// What decodeCodedImage gives for buildCodedImage(kind, divisorCode, extraWord, jpeg), from the
// picture the JPEG stream decodes to: for a coder that decoded its stream while making it.
CodedImage codedImageOfDecoding(QImage decodedJpeg, std::uint8_t divisorCode, std::int32_t extraWord);

// Checks a container held in memory and decodes its JPEG payload; `check`, when given, is asked
// first. Throws Error with the two read-error texts, the check's errors or the JPEG bridge's.
CodedImage decodeCodedImage(std::span<const std::uint8_t> file, CodedImageKind kind,
                            const CodedImageCheck& check = {});

// Reads, checks and decodes a container file. Throws Error: the file layer's message when it
// cannot be read; otherwise the errors of decodeCodedImage, naming the container file.
CodedImage readCodedImage(const std::string& inputPath, CodedImageKind kind, const CodedImageCheck& check = {});

}  // namespace brenlow

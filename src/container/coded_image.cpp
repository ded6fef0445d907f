#include "container/coded_image.h"

#include <cstring>
#include <utility>

#include "io/error.h"
#include "jpeg/jpeg_bridge.h"

namespace brenlow {
namespace {

struct KindTraits {
    const char* signature;  // 15 bytes
    std::uint8_t formatTag;
    std::uint8_t codecId;
    std::uint8_t mask;
    bool extraWordInChecksum;
    bool requiresAjcCodec;
};

const KindTraits& traitsOf(CodedImageKind kind) {
    static const KindTraits avcStill{"\x02" "AvcMarlox" "\x02" "    ", 40, 2, 0xA7, true, false};
    static const KindTraits ajcStill{"\x02" "AjcMarlox" "\x02" "    ", 40, 1, 0x5E, false, true};
    static const KindTraits sequenceFrame{"\x02" "Avc Encoded" "\x02" "  ", 34, 2, 0xC6, false, false};
    switch (kind) {
        case CodedImageKind::AvcStill: return avcStill;
        case CodedImageKind::AjcStill: return ajcStill;
        case CodedImageKind::SequenceFrame: return sequenceFrame;
    }
    throw Error("Unknown kind of coded image");
}

void putLe32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint32_t getLe32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

void maskBytes(std::uint8_t* bytes, std::size_t count, std::uint8_t mask) {
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] ^= mask;
    }
}

}  // namespace

std::array<std::uint8_t, kCodedHeaderSize> CodedImageHeader::toBytes() const {
    std::array<std::uint8_t, kCodedHeaderSize> bytes{};
    std::memcpy(bytes.data(), signature.data(), signature.size());
    bytes[15] = format_tag;
    bytes[16] = codec_id;
    bytes[17] = zero_byte;
    bytes[18] = divisor_code;
    putLe32(bytes.data() + 19, checksum);
    putLe32(bytes.data() + 23, static_cast<std::uint32_t>(extra_word));
    std::memcpy(bytes.data() + 27, reserved.data(), reserved.size());
    return bytes;
}

CodedImageHeader CodedImageHeader::fromBytes(std::span<const std::uint8_t, kCodedHeaderSize> bytes) {
    CodedImageHeader header;
    std::memcpy(header.signature.data(), bytes.data(), header.signature.size());
    header.format_tag = bytes[15];
    header.codec_id = bytes[16];
    header.zero_byte = bytes[17];
    header.divisor_code = bytes[18];
    header.checksum = getLe32(bytes.data() + 19);
    header.extra_word = static_cast<std::int32_t>(getLe32(bytes.data() + 23));
    std::memcpy(header.reserved.data(), bytes.data() + 27, header.reserved.size());
    return header;
}

std::uint8_t payloadMask(CodedImageKind kind) { return traitsOf(kind).mask; }

std::uint32_t codedImageChecksum(const CodedImageHeader& header, CodedImageKind kind, std::uint32_t payloadLength) {
    std::uint32_t sum = payloadLength + header.format_tag + header.codec_id + header.zero_byte + header.divisor_code;
    if (traitsOf(kind).extraWordInChecksum) {
        sum += static_cast<std::uint32_t>(header.extra_word);
    }
    return sum;
}

CodedImageHeader makeCodedImageHeader(CodedImageKind kind, std::uint8_t divisorCode, std::int32_t extraWord,
                                      std::uint32_t payloadLength) {
    const KindTraits& traits = traitsOf(kind);
    CodedImageHeader header;
    std::memcpy(header.signature.data(), traits.signature, header.signature.size());
    header.format_tag = traits.formatTag;
    header.codec_id = traits.codecId;
    header.zero_byte = 0;
    header.divisor_code = divisorCode;
    if (kind != CodedImageKind::AjcStill) {
        header.extra_word = extraWord;
    }
    header.checksum = codedImageChecksum(header, kind, payloadLength);
    return header;
}

Bytes buildCodedImage(CodedImageKind kind, std::uint8_t divisorCode, std::int32_t extraWord,
                      std::span<const std::uint8_t> jpeg) {
    const auto payloadLength = static_cast<std::uint32_t>(jpeg.size());
    const auto header = makeCodedImageHeader(kind, divisorCode, extraWord, payloadLength).toBytes();
    Bytes file(kCodedHeaderSize + jpeg.size());
    std::memcpy(file.data(), header.data(), header.size());
    if (!jpeg.empty()) {
        std::memcpy(file.data() + kCodedHeaderSize, jpeg.data(), jpeg.size());
    }
    maskBytes(file.data() + kCodedHeaderSize, jpeg.size(), traitsOf(kind).mask);
    return file;
}

std::uint64_t writeCodedImage(const std::string& outputPath, CodedImageKind kind, std::uint8_t divisorCode,
                              std::int32_t extraWord, std::span<const std::uint8_t> jpeg) {
    const Bytes file = buildCodedImage(kind, divisorCode, extraWord, jpeg);
    writeFileAtomically(outputPath, file);
    return file.size();
}

UnpackedCodedImage unpackCodedImage(std::span<const std::uint8_t> file, CodedImageKind kind) {
    if (file.size() < kCodedHeaderSize) {
        throw Error(kIntegrityLost);
    }
    const KindTraits& traits = traitsOf(kind);
    UnpackedCodedImage unpacked;
    unpacked.header = CodedImageHeader::fromBytes(file.first<kCodedHeaderSize>());
    const auto payloadLength = static_cast<std::uint32_t>(file.size() - kCodedHeaderSize);
    if (codedImageChecksum(unpacked.header, kind, payloadLength) != unpacked.header.checksum ||
        (traits.requiresAjcCodec && unpacked.header.codec_id != 1)) {
        throw Error(kIntegrityLost);
    }
    unpacked.multiplier = codedMultiplier(unpacked.header.divisor_code);
    unpacked.jpeg.assign(file.begin() + kCodedHeaderSize, file.end());
    maskBytes(unpacked.jpeg.data(), unpacked.jpeg.size(), traits.mask);
    if (unpacked.jpeg.size() < 2 || unpacked.jpeg[0] != 0xFF || unpacked.jpeg[1] != 0xD8) {
        throw Error(kVersionIncompatible);
    }
    return unpacked;
}

float codedMultiplier(std::uint8_t divisorCode) { return static_cast<float>(divisorCode) + 0.5f; }

CodedImage codedImageOfDecoding(QImage decodedJpeg, std::uint8_t divisorCode, std::int32_t extraWord) {
    CodedImage image;
    image.bitmap = std::move(decodedJpeg);
    image.multiplier = codedMultiplier(divisorCode);
    image.extraWord = extraWord;
    return image;
}

CodedImage decodeCodedImage(std::span<const std::uint8_t> file, CodedImageKind kind, const CodedImageCheck& check) {
    const UnpackedCodedImage unpacked = unpackCodedImage(file, kind);
    if (check) {
        const JpegFrame frame = ReadJpegFrame(unpacked.jpeg);
        check(unpacked.header, frame.width, frame.height);
    }
    CodedImage image;
    LoadJpeg(image.bitmap, unpacked.jpeg);
    image.multiplier = unpacked.multiplier;
    image.extraWord = unpacked.header.extra_word;
    return image;
}

CodedImage readCodedImage(const std::string& inputPath, CodedImageKind kind, const CodedImageCheck& check) {
    // The payload is a JPEG stream of at most the picture limit's worth of samples.
    constexpr std::uint64_t kMaxContainerBytes = 512ull * 1024 * 1024;
    const Bytes file = readWholeFile(inputPath, kMaxContainerBytes);
    try {
        return decodeCodedImage(file, kind, check);
    } catch (const Error& error) {
        throw error.concerning(inputPath);
    }
}

}  // namespace brenlow

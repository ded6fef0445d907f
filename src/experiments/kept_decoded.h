#pragma once

#include <QImage>
#include <QSize>
#include <cstdint>
#include <string>

namespace brenlow {

// Where a rate point's decoded picture is kept, and the SHA-256 of that file's bytes (lowercase
// hexadecimal) as it was when the point was measured; an empty path when none is kept.
struct KeptPicture {
    std::string path;
    std::string sha256;
    bool operator==(const KeptPicture&) const = default;
};

// The SHA-256 of a file's bytes, read a piece at a time. Throws Error naming the file when it
// cannot be read.
std::string fileSha256(const std::string& path);

// The most bytes a decoded picture file of so many pixels plausibly takes: 16-bit samples with
// alpha stored without compression, and room for metadata.
std::uint64_t plausibleDecodedBytes(double pixels);

// Whether a kept picture is still the file its point was measured from; one of more than
// `maxBytes` has changed, and is not read. Throws Error naming the file when it is there but cannot
// be read.
enum class KeptPictureState { Missing, Changed, AsMeasured };
KeptPictureState keptPictureState(const KeptPicture& kept, std::uint64_t maxBytes);

// Writes `decoded` as a lossless PNG at `path`, its folder made as needed, whole or not at all,
// and returns where it is with its digest. Throws Error naming the file.
KeptPicture keepDecodedPicture(const std::string& path, const QImage& decoded);

// The kept picture, as it was when the point was measured and of `size`, 24-bit. Throws Error
// naming the file when it is missing, has changed since (its digest differs), cannot be read or is
// of another size.
QImage keptDecodedPicture(const KeptPicture& kept, QSize size);

}  // namespace brenlow

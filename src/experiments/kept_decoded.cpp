#include "experiments/kept_decoded.h"

#include <QBuffer>
#include <QByteArray>
#include <QCryptographicHash>
#include <QImageWriter>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <span>
#include <system_error>
#include <vector>

#include "catalogue/decoded_folder.h"
#include "io/error.h"
#include "io/file_io.h"

namespace brenlow {
namespace {

std::string sha256Of(const char* data, std::size_t size) {
    return QCryptographicHash::hash(QByteArrayView(data, static_cast<qsizetype>(size)), QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

std::string sizeText(QSize size) { return std::to_string(size.width()) + " x " + std::to_string(size.height()); }

// The digest of an open file's bytes, read in pieces of a few megabytes whatever its size.
std::string sha256Of(const InputFile& file) {
    constexpr std::uint64_t kPieceBytes = 4u << 20;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    std::vector<std::uint8_t> piece(static_cast<std::size_t>(std::min(file.size(), kPieceBytes)));
    for (std::uint64_t at = 0; at < file.size(); at += piece.size()) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), file.size() - at));
        file.readAt(at, piece.data(), count);
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(piece.data()), static_cast<qsizetype>(count)));
    }
    return hash.result().toHex().toStdString();
}

}  // namespace

std::string fileSha256(const std::string& path) { return sha256Of(InputFile(path)); }

std::uint64_t plausibleDecodedBytes(double pixels) {
    constexpr double kBytesPerPixel = 8;
    constexpr double kMetadataBytes = 16 << 20;
    // A count read from a stored file may be anything: held to what 64 bits count.
    const double bytes = kBytesPerPixel * std::clamp(pixels, 0.0, 1e17) + kMetadataBytes;
    return static_cast<std::uint64_t>(std::isnan(bytes) ? kMetadataBytes : bytes);
}

KeptPicture keepDecodedPicture(const std::string& path, const QImage& decoded) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(decoded))
        throw Error("Cannot make the PNG of a decoded picture: " + writer.errorString().toStdString(), path);
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    if (error) throw Error("The folder of a decoded picture cannot be made (" + error.message() + ")", path);
    writeFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(png.constData()),
                                        static_cast<std::size_t>(png.size())));
    return {path, sha256Of(png.constData(), static_cast<std::size_t>(png.size()))};
}

KeptPictureState keptPictureState(const KeptPicture& kept, std::uint64_t maxBytes) {
    if (kept.path.empty() || !fileExists(kept.path)) return KeptPictureState::Missing;
    const InputFile file(kept.path);
    if (file.size() > maxBytes) return KeptPictureState::Changed;
    return sha256Of(file) == kept.sha256 ? KeptPictureState::AsMeasured : KeptPictureState::Changed;
}

QImage keptDecodedPicture(const KeptPicture& kept, QSize size) {
    const KeptPictureState state =
        keptPictureState(kept, plausibleDecodedBytes(static_cast<double>(size.width()) * size.height()));
    if (state == KeptPictureState::Missing)
        throw Error("The decoded picture of this point is missing; it was measured from", kept.path);
    if (state == KeptPictureState::Changed)
        throw Error("The decoded picture of this point has changed since it was measured: it is not the file the "
                    "results were made from",
                    kept.path);
    QImage picture = loadDecodedPicture(kept.path);
    if (picture.size() != size)
        throw Error("The decoded picture of this point is " + sizeText(picture.size()) + " pixels, its picture " +
                        sizeText(size),
                    kept.path);
    return picture;
}

}  // namespace brenlow

#include "research/kept_decoded.h"

#include <QBuffer>
#include <QByteArray>
#include <QCryptographicHash>
#include <QImageWriter>
#include <filesystem>
#include <span>
#include <system_error>

#include "io/error.h"
#include "io/file_io.h"
#include "research/decoded_folder.h"

namespace brenlow {
namespace {

std::string sha256Of(const char* data, std::size_t size) {
    return QCryptographicHash::hash(QByteArrayView(data, static_cast<qsizetype>(size)), QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

std::string sizeText(QSize size) { return std::to_string(size.width()) + " x " + std::to_string(size.height()); }

}  // namespace

std::string fileSha256(const std::string& path) {
    const Bytes bytes = readWholeFile(path);
    return sha256Of(reinterpret_cast<const char*>(bytes.data()), bytes.size());
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

KeptPictureState keptPictureState(const KeptPicture& kept) {
    if (kept.path.empty() || !fileExists(kept.path)) return KeptPictureState::Missing;
    return fileSha256(kept.path) == kept.sha256 ? KeptPictureState::AsMeasured : KeptPictureState::Changed;
}

QImage keptDecodedPicture(const KeptPicture& kept, QSize size) {
    const KeptPictureState state = keptPictureState(kept);
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

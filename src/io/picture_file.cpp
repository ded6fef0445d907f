#include "io/picture_file.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <cstdint>

#include "io/bitmap_file.h"
#include "io/error.h"
#include "io/file_io.h"
#include "io/gif_frame.h"

namespace brenlow {
namespace {

// Enough for every signature the readers look at.
constexpr std::size_t kSniffedBytes = 64;

// Any picture within the pixel limit fits in this many bytes, whatever its format.
constexpr std::uint64_t kMaxPictureFileBytes = static_cast<std::uint64_t>(kMaxPixels) * 8 + (1 << 20);

QByteArray firstBytes(const std::string& path) {
    try {
        const InputFile file(path);
        QByteArray bytes(static_cast<qsizetype>(std::min<std::uint64_t>(file.size(), kSniffedBytes)), '\0');
        file.readAt(0, reinterpret_cast<std::uint8_t*>(bytes.data()), static_cast<std::size_t>(bytes.size()));
        return bytes;
    } catch (const Error&) {
        return {};
    }
}

}  // namespace

PictureFileKind pictureFileKind(const std::string& path) {
    QByteArray bytes = firstBytes(path);
    if (bytes.startsWith("BM")) {
        return PictureFileKind::Bitmap;
    }
    if (bytes.startsWith("\xFF\xD8\xFF")) {
        return PictureFileKind::Jpeg;
    }
    if (bytes.isEmpty()) {
        return PictureFileKind::Unknown;
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader::imageFormat(&buffer).isEmpty() ? PictureFileKind::Unknown : PictureFileKind::Other;
}

QImage loadOtherPictureFile(const std::string& path) {
    const Bytes data = readWholeFile(path, kMaxPictureFileBytes);
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()),
                                               static_cast<qsizetype>(data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (size.isValid()) {
        checkPictureSize(size.width(), size.height(), "The picture in \"" + path + "\"");
    }
    if (reader.format() == "gif" && !gifFirstFrameIsWhole(data)) {
        throw Error("\"" + path + "\" cannot be read as a picture: the file ends inside its picture data");
    }
    raiseReaderAllocationLimit();
    QImage picture;
    if (!reader.read(&picture)) {
        throw Error("\"" + path + "\" cannot be read as a picture: " + reader.errorString().toStdString());
    }
    checkPictureSize(picture.width(), picture.height(), "The picture in \"" + path + "\"");
    return as24BitPicture(picture);
}

}  // namespace brenlow

#include "io/picture_file.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <span>

#include "io/bitmap_file.h"
#include "io/bitmap_layout.h"
#include "io/colour_note.h"
#include "io/error.h"
#include "io/file_io.h"
#include "io/gif_frame.h"
#include "io/png_chunks.h"
#include "io/tiff_messages.h"

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

// The size the reader names, and for a GIF its logical screen's, which the reader makes its
// picture whatever it named.
void checkSizeBeforeReading(QImageReader& reader, std::span<const std::uint8_t> data, const std::string& path) {
    QSize size = reader.size();
    if (reader.format() == "gif") {
        const GifScreen screen = gifScreen(data);
        size = size.expandedTo(QSize(screen.width, screen.height));
    }
    if (size.isValid()) checkPictureSize(size.width(), size.height(), "The picture in \"" + path + "\"");
}

// The readers of these formats fill what a file cut short lacks without a word (GIF), or report
// it on stderr themselves (PNG), so the data is checked whole before they read it.
bool pictureDataIsWhole(const QByteArray& format, std::span<const std::uint8_t> data) {
    if (format == "gif") return gifFirstFrameIsWhole(data);
    if (format == "png") return pngChunksAreWhole(data);
    return true;
}

// A format as messages name it, from a lower-case extension or the name Qt's readers give it.
std::string formatTitle(std::string name) {
    if (name == "bmp" || name == "dib") return "bitmap";
    if (name == "jpg" || name == "jpeg") return "JPEG";
    if (name == "tif" || name == "tiff") return "TIFF";
    if (name == "webp") return "WebP";
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name;
}

// The picture format a name claims by its extension, empty for a name no reader here takes.
std::string claimedFormat(const std::string& path) {
    const std::string extension = std::filesystem::path(path).extension().string();
    if (extension.size() < 2) return {};
    const QByteArray format = QByteArray::fromStdString(extension.substr(1)).toLower();
    const bool known = format == "jpg" || format == "jpeg" || QImageReader::supportedImageFormats().contains(format);
    return known ? formatTitle(format.toStdString()) : std::string();
}

// The format the first bytes of a file hold by their signature, empty when they hold none read here.
std::string heldFormat(QByteArray bytes) {
    if (bytes.startsWith("BM")) return formatTitle("bmp");
    if (bytes.startsWith("\xFF\xD8\xFF")) return formatTitle("jpeg");
    prepareImageReaders();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return formatTitle(QImageReader::imageFormat(&buffer).toStdString());
}

}  // namespace

PictureFileKind pictureFileKind(const std::string& path) {
    const std::string held = heldFormat(firstBytes(path));
    if (held.empty()) return PictureFileKind::Unknown;
    if (held == formatTitle("bmp")) return PictureFileKind::Bitmap;
    return held == formatTitle("jpeg") ? PictureFileKind::Jpeg : PictureFileKind::Other;
}

void throwNotThePictureItsNameSays(const std::string& path) {
    const InputFile file(path);
    const std::string bitmap = formatTitle("bmp");
    const std::string named = claimedFormat(path);
    const std::string claimed = named.empty() ? bitmap : named;
    const std::string held = file.size() == 0 ? std::string() : heldFormat(firstBytes(path));
    if (claimed == bitmap && (held.empty() || held == bitmap)) throwNotABitmap(path);
    const std::string intro = "\"" + path + "\" is not a valid " + claimed + " file: ";
    if (file.size() == 0) throw Error(intro + "it is empty");
    if (held.empty()) throw Error(intro + "its first bytes are those of no picture format read here");
    if (held == claimed) throw Error(intro + "it cannot be read as one");
    throw Error(intro + "it holds " + held + " data");
}

QImage loadOtherPictureFile(const std::string& path) {
    prepareImageReaders();
    const Bytes data = readWholeFile(path, kMaxPictureFileBytes);
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()),
                                               static_cast<qsizetype>(data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (reader.format() == "tiff") silenceTiffLibrary();
    if (!pictureDataIsWhole(reader.format(), data)) {
        throw Error("\"" + path + "\" cannot be read as a picture: the file ends inside its picture data");
    }
    checkSizeBeforeReading(reader, data, path);
    QImage picture;
    if (!reader.read(&picture)) {
        throw Error("\"" + path + "\" cannot be read as a picture: " + reader.errorString().toStdString());
    }
    checkPictureSize(picture.width(), picture.height(), "The picture in \"" + path + "\"");
    noteColoursOtherThanSrgb(picture, path);
    noteWhatTheMeasuresLeaveOut(picture, path);
    return as24BitPicture(picture);
}

}  // namespace brenlow

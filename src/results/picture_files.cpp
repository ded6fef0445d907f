#include "results/picture_files.h"

#include <QCryptographicHash>
#include <filesystem>
#include <system_error>

namespace brenlow {
namespace {

namespace fs = std::filesystem;

bool isFile(const fs::path& path) {
    std::error_code error;
    return !path.empty() && fs::is_regular_file(path, error);
}

fs::path absoluteOf(const std::string& path) {
    std::error_code error;
    return fs::absolute(path, error).lexically_normal();
}

}  // namespace

PictureLocation pictureLocationOf(const std::string& picture, const std::string& folder) {
    const fs::path absolute = absoluteOf(picture);
    return {absolute.string(), absolute.lexically_relative(absoluteOf(folder)).string()};
}

std::string pixelsSha256(const QImage& picture) {
    const QImage rgb =
        picture.format() == QImage::Format_RGB888 ? picture : picture.convertToFormat(QImage::Format_RGB888);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const std::string size = std::to_string(rgb.width()) + "x" + std::to_string(rgb.height()) + "\n";
    hash.addData(QByteArrayView(size.data(), static_cast<qsizetype>(size.size())));
    // Rows are padded to four bytes in memory; the padding is no part of the picture.
    const qsizetype rowBytes = static_cast<qsizetype>(rgb.width()) * 3;
    for (int row = 0; row < rgb.height(); ++row)
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(rgb.constScanLine(row)), rowBytes));
    return hash.result().toHex().toStdString();
}

std::string foundPictureFile(const std::string& picture, const PictureLocation& location, const std::string& folder) {
    std::vector<fs::path> candidates;
    if (!location.relative.empty()) candidates.push_back(fs::path(folder) / location.relative);
    if (!location.absolute.empty()) candidates.push_back(location.absolute);
    candidates.push_back(picture);
    if (location.absolute.empty() && fs::path(picture).is_relative()) {
        candidates.push_back(fs::path(folder) / picture);
        candidates.push_back(absoluteOf(folder).parent_path() / picture);
    }
    for (const fs::path& candidate : candidates)
        if (isFile(candidate)) return candidate.lexically_normal().string();
    return {};
}

}  // namespace brenlow

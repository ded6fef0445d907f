#include "catalogue/decoded_folder.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <system_error>

#include "anchors/anchor_codec.h"
#include "io/bitmap_file.h"
#include "io/error.h"
#include "io/file_io.h"
#include "io/picture_file.h"

namespace brenlow {
namespace {

namespace fs = std::filesystem;

// A sizes.csv of a very large data set is some megabytes; far more is not one.
constexpr std::uint64_t kMaxSizesBytes = 64u << 20;

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool isDecodedPictureName(const fs::path& path) {
    const std::string extension = lowerCase(path.extension().string());
    return extension == ".png" || extension == ".ppm" || extension == ".bmp";
}

std::optional<long long> wholeNumber(const std::string& text) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<double> numberOf(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size()) return std::nullopt;
    return value;
}

// A label of digits alone (after an optional minus) is read as a quality, so it must be one: two
// labels must never become one quality.
void refuseLabelsOutOfRange(const std::vector<DecodedPoint>& points) {
    for (const DecodedPoint& point : points) {
        const std::string digits = point.label.starts_with('-') ? point.label.substr(1) : point.label;
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::optional<long long> value = wholeNumber(point.label);
        if (!value || std::llabs(*value) > kFurthestQuality)
            throw Error("The point \"" + point.label + "\" is no quality: a whole-number label lies from " +
                            std::to_string(-kFurthestQuality) + " to " + std::to_string(kFurthestQuality),
                        point.folder);
    }
}

std::string pointText(const DecodedPoint& point) { return "the point \"" + point.label + "\" (" + point.folder + ")"; }

// The regular files of the point's folder whose stem is the picture's.
std::vector<fs::path> filesOfStem(const DecodedPoint& point, const std::string& referencePicture) {
    const std::string stem = fs::path(referencePicture).stem().string();
    std::vector<fs::path> files;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(point.folder, error))
        if (entry.path().stem().string() == stem && entry.is_regular_file(error)) files.push_back(entry.path());
    if (error) throw Error("The folder cannot be read (" + error.message() + ")", point.folder);
    std::sort(files.begin(), files.end());
    return files;
}

std::string namesText(const std::vector<fs::path>& files) {
    std::string text;
    for (const fs::path& file : files) text += (text.empty() ? "" : ", ") + file.filename().string();
    return text;
}

// The bytes of the picture's line in sizes.csv; nullopt when it has none.
std::optional<std::uint64_t> sizeFromCsv(const std::string& csv, const std::string& path,
                                         const std::string& referencePicture) {
    const fs::path picture(referencePicture);
    std::size_t lineNumber = 0;
    for (std::size_t start = 0; start < csv.size();) {
        std::size_t end = csv.find('\n', start);
        if (end == std::string::npos) end = csv.size();
        std::string line = csv.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || (lineNumber == 1 && lowerCase(line) == "picture,bytes")) continue;
        const std::size_t comma = line.rfind(',');
        const std::string name = comma == std::string::npos ? line : line.substr(0, comma);
        if (name != picture.filename().string() && name != picture.stem().string()) continue;
        const std::optional<long long> bytes = comma == std::string::npos ? std::nullopt : wholeNumber(line.substr(comma + 1));
        if (!bytes || *bytes <= 0)
            throw Error("Line " + std::to_string(lineNumber) + " is not \"picture,bytes\" with a size above 0", path);
        return static_cast<std::uint64_t>(*bytes);
    }
    return std::nullopt;
}

}  // namespace

QImage loadDecodedPicture(const std::string& path) {
    switch (pictureFileKind(path)) {
        case PictureFileKind::Other:
            return as24BitPicture(loadOtherPictureFile(path));
        case PictureFileKind::Bitmap:
            return loadBitmapFile(path);
        case PictureFileKind::Jpeg:
        case PictureFileKind::Unknown:
            break;
    }
    // A decoded picture is lossless: JPEG data in it would be a further coding, never measured.
    throwNotThePictureItsNameSays(path);
}

std::vector<DecodedPoint> decodedPoints(const std::string& decodedFolder) {
    std::vector<DecodedPoint> points;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(decodedFolder, error))
        if (entry.is_directory(error)) points.push_back({entry.path().filename().string(), entry.path().string(), 0});
    if (error) throw Error("The decoded folder cannot be read (" + error.message() + ")", decodedFolder);
    if (points.empty())
        throw Error("The decoded folder holds no point: it needs one subfolder per point, named by its quality or lambda",
                    decodedFolder);
    refuseLabelsOutOfRange(points);
    const bool whole = std::all_of(points.begin(), points.end(), [](const DecodedPoint& p) { return wholeNumber(p.label).has_value(); });
    // Labels that are not numbers (names such as "low") keep their order by name.
    const auto value = [](const DecodedPoint& p) { return numberOf(p.label).value_or(0.0); };
    const bool numeric = std::all_of(points.begin(), points.end(), [](const DecodedPoint& p) { return numberOf(p.label).has_value(); });
    std::sort(points.begin(), points.end(), [&](const DecodedPoint& a, const DecodedPoint& b) {
        return numeric && value(a) != value(b) ? value(a) < value(b) : a.label < b.label;
    });
    for (std::size_t i = 0; i + 1 < points.size(); ++i)
        if (numeric && value(points[i]) == value(points[i + 1]))
            throw Error("The points \"" + points[i].label + "\" and \"" + points[i + 1].label + "\" are the same value",
                        decodedFolder);
    for (std::size_t i = 0; i < points.size(); ++i)
        points[i].quality = whole ? static_cast<int>(*wholeNumber(points[i].label)) : static_cast<int>(i + 1);
    return points;
}

std::string decodedPictureOf(const DecodedPoint& point, const std::string& referencePicture) {
    std::vector<fs::path> pictures = filesOfStem(point, referencePicture);
    std::erase_if(pictures, [](const fs::path& file) { return !isDecodedPictureName(file); });
    const std::string stem = fs::path(referencePicture).stem().string();
    if (pictures.empty())
        throw Error(pointText(point) + " has no decoded picture " + stem + ".png, .ppm or .bmp");
    if (pictures.size() > 1)
        throw Error(pointText(point) + " has more than one decoded picture of " + stem + ": " + namesText(pictures));
    return pictures.front().string();
}

std::uint64_t codedSizeOf(const DecodedPoint& point, const std::string& referencePicture) {
    const std::string csvPath = (fs::path(point.folder) / "sizes.csv").string();
    const std::string stem = fs::path(referencePicture).stem().string();
    if (fileExists(csvPath)) {
        const Bytes bytes = readWholeFile(csvPath, kMaxSizesBytes);
        const std::optional<std::uint64_t> size =
            sizeFromCsv(std::string(bytes.begin(), bytes.end()), csvPath, referencePicture);
        if (!size) throw Error(pointText(point) + ": sizes.csv has no line for " + stem);
        return *size;
    }
    std::vector<fs::path> coded = filesOfStem(point, referencePicture);
    std::erase_if(coded, [](const fs::path& file) { return isDecodedPictureName(file); });
    if (coded.empty())
        throw Error(pointText(point) + " has no coded file of " + stem + " beside its decoded picture, and no sizes.csv");
    if (coded.size() > 1)
        throw Error(pointText(point) + " has more than one coded file of " + stem + ": " + namesText(coded));
    const std::uint64_t size = fileSizeOf(coded.front().string());
    if (size == 0) throw Error(pointText(point) + ": the coded file is empty", coded.front().string());
    return size;
}

}  // namespace brenlow

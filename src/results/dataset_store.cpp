#include "results/dataset_store.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <span>
#include <system_error>
#include <unordered_map>

#include "catalogue/codec_registry.h"
#include "codecs/field_rules.h"
#include "io/error.h"
#include "io/file_io.h"
#include "measures/measure_table.h"
#include "measures/value_bounds.h"
#include "results/timed_run_json.h"

namespace brenlow {
namespace {

namespace fs = std::filesystem;

constexpr const char* kResultFormat = "brenlow data set result 1";
constexpr const char* kManifestFormat = "brenlow data set 1";
// A result file holds a few dozen points; anything far larger is not one of ours.
constexpr std::uint64_t kMaxStoredBytes = 64u << 20;

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

// JSON has no infinity nor NaN: an infinite PSNR is kept as "inf", an undefined measure as null.
// Finite numbers are written in their shortest form that reads back to the same double.
QJsonValue numberValue(double value) {
    if (std::isnan(value)) return QJsonValue::Null;
    if (std::isinf(value)) return value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    return value;
}

double numberOf(const QJsonValue& value) {
    if (value.isDouble()) return value.toDouble();
    if (value.toString() == QStringLiteral("inf")) return std::numeric_limits<double>::infinity();
    if (value.toString() == QStringLiteral("-inf")) return -std::numeric_limits<double>::infinity();
    return std::numeric_limits<double>::quiet_NaN();
}

// What the figures a result file keeps beside the measures can be. Bits per pixel: the largest
// file there can be (2^63 bytes) on one pixel; a ratio at most the largest original size; times
// up to some thirty years; a trillion pixels; size targets as --bpp takes them.
constexpr ValueBounds kStoredBitsPerPixel{0.0, 7.4e19};
constexpr ValueBounds kStoredRatio{0.0, 9.3e18};
constexpr ValueBounds kStoredSeconds{0.0, 1e9};
constexpr ValueBounds kStoredMegapixels{0.0, 1e6};
constexpr ValueBounds kStoredBppTarget{0.0, 64.0};

// A figure read from a file, refused naming the file when it lies outside what it can be: such a
// file was not written by a run, and its figures would mislead every output made from it.
double heldTo(const ValueBounds& bounds, double value, const std::string& what, const std::string& path) {
    if (!bounds.holds(value))
        throw Error("The file gives " + what + " as " + shortestText(value) + ", which it cannot be: it lies " +
                        bounds.text(),
                    path);
    return value;
}

// A size in bytes: a whole number from 0.
std::uint64_t storedSize(const QJsonValue& value, const std::string& what, const std::string& path) {
    const qint64 size = value.toInteger(-1);
    if (!value.isDouble() || size < 0)
        throw Error("The file gives " + what + " as " +
                        (value.isDouble() ? shortestText(value.toDouble()) : std::string("no number")) +
                        ", not a size in bytes (a whole number from 0)",
                    path);
    return static_cast<std::uint64_t>(size);
}

const CodecEntry& codecOfName(const QString& name, const std::string& path) {
    if (const CodecEntry* codec = codecEntryNamed(name.toStdString())) return *codec;
    throw Error("The file names a codec this build lacks: \"" + name.toStdString() + "\"", path);
}

// Files written before curves had settings name their codec alone: it ran at its defaults and at
// the run's divisor and focus.
CodecCurve curveOfCodec(const CodecEntry& codec, const DataSetParameters& parameters) {
    return defaultCurve(codec, runDefaultsOf(divisorCode(parameters.divisor), parameters.passes));
}

QJsonObject curveJson(const CodecCurve& curve) {
    QJsonObject settings;
    for (const auto& [key, value] : curve.settings) settings[text(key)] = text(value);
    QJsonObject object{{"name", text(curve.name)}, {"codec", text(curveCodecName(curve))}, {"settings", settings}};
    if (!curve.qualities.empty()) {
        QJsonArray qualities;
        for (int quality : curve.qualities) qualities.append(quality);
        object["qualities"] = qualities;
    }
    return object;
}

CodecCurve curveOf(const QJsonObject& object, const std::string& path) {
    CodecCurve curve;
    const std::string codec = object["codec"].toString().toStdString();
    if (codec.empty()) throw Error("The file names a curve without a codec", path);
    // A codec not built in keeps its name: its figures are read like any other's.
    setCurveCodec(curve, codec);
    curve.name = object["name"].toString().toStdString();
    if (curve.name.empty()) throw Error("The file names a curve without a name", path);
    const QJsonObject settings = object["settings"].toObject();
    for (auto it = settings.begin(); it != settings.end(); ++it)
        curve.settings[it.key().toStdString()] = it.value().toString().toStdString();
    if (const CodecEntry* entry = codecEntryNamed(codec)) curve.settings = canonicalSettings(curve.settings, entry->settings);
    for (const QJsonValue& quality : object["qualities"].toArray()) curve.qualities.push_back(quality.toInt());
    return curve;
}

QJsonObject parametersJson(const DataSetParameters& parameters) {
    QJsonArray qualities;
    for (int quality : parameters.qualities) qualities.append(quality);
    QJsonObject versions;
    for (const auto& [library, version] : parameters.versions) versions[text(library)] = text(version);
    QJsonObject object{{"qualities", qualities},
                       {"divisor", static_cast<double>(parameters.divisor)},
                       {"focus", parameters.passes},
                       {"versions", versions}};
    if (!parameters.bppTargets.empty()) {
        QJsonArray targets;
        for (double target : parameters.bppTargets) targets.append(target);
        object["bpp_targets"] = targets;
    }
    for (const OptionalMeasure& measure : optionalMeasures())
        object[QLatin1String(measure.name)] = parameters.measures.takes(measure.name);
    object["timing"] = QJsonObject{{"runs", parameters.timing.runs},
                                   {"threads_per_codec", parameters.timing.threadsPerCodec}};
    return object;
}

DataSetParameters parametersOf(const QJsonObject& object, const std::string& path) {
    DataSetParameters parameters;
    for (const QJsonValue& quality : object["qualities"].toArray()) parameters.qualities.push_back(quality.toInt());
    for (const QJsonValue& target : object["bpp_targets"].toArray())
        parameters.bppTargets.push_back(heldTo(kStoredBppTarget, target.toDouble(), "a size target", path));
    parameters.divisor = static_cast<float>(object["divisor"].toDouble());
    parameters.passes = object["focus"].toInt();
    for (const OptionalMeasure& measure : optionalMeasures())
        parameters.measures.take(measure.name, object[QLatin1String(measure.name)].toBool());
    // Files made before the timing was recorded have none: 0, not recorded.
    const QJsonObject timing = object["timing"].toObject();
    parameters.timing = {timing["runs"].toInt(), timing["threads_per_codec"].toInt()};
    const QJsonObject versions = object["versions"].toObject();
    for (auto it = versions.begin(); it != versions.end(); ++it)
        parameters.versions[it.key().toStdString()] = it.value().toString().toStdString();
    return parameters;
}

// A picture's path exactly as the file system spells it. JSON strings are Unicode, so a path that
// is not UTF-8 is kept as its bytes in hexadecimal beside a readable form.
QJsonValue pathJson(const std::string& path) {
    const QString readable = text(path);
    if (readable.toStdString() == path) return readable;
    return QJsonObject{{"text", readable}, {"hex", QString::fromLatin1(QByteArray::fromStdString(path).toHex())}};
}

std::string pathOf(const QJsonValue& value) {
    if (!value.isObject()) return value.toString().toStdString();
    return QByteArray::fromHex(value.toObject()["hex"].toString().toLatin1()).toStdString();
}

// A kept decoded picture inside the result folder is recorded relative to it, so that the folder
// can move; one outside it (decoded elsewhere) by its absolute path.
std::string recordedPath(const std::string& folder, const std::string& file) {
    std::error_code error;
    const fs::path absoluteFile = fs::absolute(file, error).lexically_normal();
    const fs::path inFolder = absoluteFile.lexically_relative(fs::absolute(folder, error).lexically_normal());
    const bool inside = !inFolder.empty() && *inFolder.begin() != "..";
    return inside ? inFolder.string() : absoluteFile.string();
}

// The path to open of a recorded one, read from the result file at `resultPath`.
std::string pathToOpen(const std::string& resultPath, const std::string& recorded) {
    if (recorded.empty() || fs::path(recorded).is_absolute()) return recorded;
    return (fs::path(resultPath).parent_path() / recorded).string();
}

QJsonObject pointJson(const SweepPoint& point, const std::string& folder) {
    QJsonObject object{{"quality", point.quality},
            {"coded_size", static_cast<qint64>(point.figures.codedSize)},
            {"original_size", static_cast<qint64>(point.figures.originalSize)},
            {"ratio", numberValue(point.figures.compressionRatio)},
            {"report", text(point.reportLine)},
            {"bits_per_pixel", numberValue(point.measures.bitsPerPixel)},
            {"encode_seconds", numberValue(point.encodeSeconds)},
            {"decode_seconds", numberValue(point.decodeSeconds)},
            {"megapixels", point.megapixels}};
    for (const MeasureRow& row : measureTable())
        object[QLatin1String(row.key)] = numberValue(row.of(point.measures.picture));
    if (!std::isnan(point.targetBpp)) {
        object["target_bpp"] = point.targetBpp;
        object["target_missed"] = point.targetMissed;
    }
    if (!point.label.empty()) object["label"] = text(point.label);
    object["timing_runs"] = point.timingRuns;
    object["encode_seconds_spread"] = QJsonArray{numberValue(point.encodeFastest), numberValue(point.encodeSlowest)};
    object["decode_seconds_spread"] = QJsonArray{numberValue(point.decodeFastest), numberValue(point.decodeSlowest)};
    object["encode_cpu_seconds"] = numberValue(point.encodeCpuSeconds);
    object["decode_cpu_seconds"] = numberValue(point.decodeCpuSeconds);
    if (point.timesAreCalls) object["times_are_calls"] = true;
    else if (point.timingRuns > 0) object["cpu_clock"] = cpuClockName(point.cpuClock);
    if (!point.keptDecoded.path.empty()) {
        object["decoded_file"] = pathJson(recordedPath(folder, point.keptDecoded.path));
        object["decoded_sha256"] = text(point.keptDecoded.sha256);
    }
    return object;
}

// The times of a point as a result file keeps them. Files made before the runs and processor times
// were kept for every codec held processor times for the calls of described codecs alone, and their
// times were of one run (none when decoded elsewhere, written as 0 then).
void takeStoredTimes(SweepPoint& point, const QJsonObject& object) {
    point.encodeSeconds = numberOf(object["encode_seconds"]);
    point.decodeSeconds = numberOf(object["decode_seconds"]);
    const bool keptRuns = object.contains("timing_runs");
    const bool timed = point.encodeSeconds > 0.0 || point.decodeSeconds > 0.0;
    point.timingRuns = keptRuns ? object["timing_runs"].toInt() : (timed ? 1 : 0);
    const QJsonArray encodeSpread = object["encode_seconds_spread"].toArray();
    const QJsonArray decodeSpread = object["decode_seconds_spread"].toArray();
    point.encodeFastest = encodeSpread.size() == 2 ? encodeSpread[0].toDouble() : point.encodeSeconds;
    point.encodeSlowest = encodeSpread.size() == 2 ? encodeSpread[1].toDouble() : point.encodeSeconds;
    point.decodeFastest = decodeSpread.size() == 2 ? decodeSpread[0].toDouble() : point.decodeSeconds;
    point.decodeSlowest = decodeSpread.size() == 2 ? decodeSpread[1].toDouble() : point.decodeSeconds;
    point.timesAreCalls = object["times_are_calls"].toBool() || (!keptRuns && object.contains("encode_cpu_seconds"));
    point.encodeCpuSeconds = numberOf(object["encode_cpu_seconds"]);
    point.decodeCpuSeconds = numberOf(object["decode_cpu_seconds"]);
    if (object["cpu_clock"].toString() == QLatin1String(cpuClockName(CpuClock::Process)))
        point.cpuClock = CpuClock::Process;
    if (point.timingRuns == 0) markTimesUnknown(point);
}

// The times of a point held to what a time can be.
void checkStoredTimes(const SweepPoint& point, const std::string& where, const std::string& path) {
    for (const double seconds : {point.encodeSeconds, point.decodeSeconds, point.encodeFastest, point.encodeSlowest,
                                 point.decodeFastest, point.decodeSlowest, point.encodeCpuSeconds,
                                 point.decodeCpuSeconds})
        heldTo(kStoredSeconds, seconds, "a time in seconds " + where, path);
}

SweepPoint pointOf(const QJsonObject& object, const CodecCurve& curve, const std::string& resultPath) {
    SweepPoint point;
    point.codec = curve.codec;
    point.curve = curve.name;
    point.quality = object["quality"].toInt();
    const std::string where = "of the point at quality " + std::to_string(point.quality);
    const auto figure = [&](const ValueBounds& bounds, const char* key) {
        return heldTo(bounds, numberOf(object[QLatin1String(key)]), std::string(key) + " " + where, resultPath);
    };
    point.figures.codedSize = storedSize(object["coded_size"], "coded_size " + where, resultPath);
    point.figures.originalSize = storedSize(object["original_size"], "original_size " + where, resultPath);
    point.figures.compressionRatio = static_cast<float>(figure(kStoredRatio, "ratio"));
    point.reportLine = object["report"].toString().toStdString();
    point.measures.bitsPerPixel = figure(kStoredBitsPerPixel, "bits_per_pixel");
    for (const MeasureRow& row : measureTable()) point.measures.picture.*row.value = figure(row.bounds, row.key);
    takeStoredTimes(point, object);
    checkStoredTimes(point, where, resultPath);
    point.megapixels = heldTo(kStoredMegapixels, object["megapixels"].toDouble(), "megapixels " + where, resultPath);
    if (object["target_bpp"].isDouble()) {
        point.targetBpp = figure(kStoredBppTarget, "target_bpp");
        point.targetMissed = object["target_missed"].toBool();
    }
    point.label = object["label"].toString().toStdString();
    if (object.contains("decoded_file"))
        point.keptDecoded = {pathToOpen(resultPath, pathOf(object["decoded_file"])),
                             object["decoded_sha256"].toString().toStdString()};
    return point;
}

void writeJson(const std::string& path, const QJsonObject& object) {
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Indented);
    writeFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                        static_cast<std::size_t>(bytes.size())));
}

// The object of a JSON file of the given format. Throws Error naming the file.
QJsonObject readJson(const std::string& path, const char* format) {
    const Bytes bytes = readWholeFile(path, kMaxStoredBytes);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())), &error);
    if (error.error != QJsonParseError::NoError)
        throw Error("The file is not JSON (" + error.errorString().toStdString() + ")", path);
    const QJsonObject object = document.object();
    if (!document.isObject() || object["format"].toString() != QLatin1String(format))
        throw Error("The file is not a \"" + std::string(format) + "\" file", path);
    return object;
}

// A data set without pictures, codecs or qualities would merge as an empty one and print nothing
// that says why.
void requireManifestParts(const QJsonObject& object, const std::string& path) {
    const auto lacks = [&](const QJsonValue& value) { return !value.isArray() || value.toArray().isEmpty(); };
    std::string missing;
    if (lacks(object["pictures"])) missing = "pictures";
    else if (lacks(object["codecs"])) missing = "codecs";
    else if (!object["parameters"].isObject()) missing = "parameters";
    else if (lacks(object["parameters"].toObject()["qualities"])) missing = "qualities";
    if (!missing.empty()) throw Error("The data set file is damaged: it has no " + missing, path);
}

std::uint64_t pathHash(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;  // 64-bit FNV-1a: stable across runs and machines
    for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

std::string fileNameSafe(std::string name) {
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_') c = '_';
    return name;
}

std::string hexDigest(const std::string& text) {
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(pathHash(text)));
    return hash;
}

// The digests tell the files apart; the readable parts are cut so that any name fits.
std::string pictureNamePart(const std::string& picture) {
    constexpr std::size_t kReadableBytes = 100;
    return fileNameSafe(fs::path(picture).filename().string().substr(0, kReadableBytes)) + "-" + hexDigest(picture);
}

std::string curveNamePart(const std::string& curveName) {
    constexpr std::size_t kReadableCurveBytes = 40;
    const std::string curve = fileNameSafe(curveName.substr(0, kReadableCurveBytes));
    // A codec at its defaults keeps the name such files always had. As the folder of the curve's
    // decoded pictures, "." would be the result folder itself and ".." its parent.
    const bool kept = curve == curveName && !curve.empty() && curve != "." && curve != "..";
    return kept ? curve : curve + "-" + hexDigest(curveName).substr(0, 8);
}

// A link where a result folder keeps its own files leads out of it: it is removed, never followed.
void removeLink(const fs::path& path) {
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(path, error)) && !fs::remove(path, error) && error)
        throw Error("A link in the result folder cannot be removed (" + error.message() + ")", path.string());
}

bool isRealEntry(const fs::path& path, fs::file_type type) {
    std::error_code error;
    return fs::symlink_status(path, error).type() == type;
}

// The file system's clock has an epoch of its own (2174 with some libraries): times are kept from
// the Unix epoch, as every other tool gives them.
std::int64_t unixNanoseconds(fs::file_time_type time) {
    const auto system = std::chrono::file_clock::to_sys(time);
    return std::chrono::duration_cast<std::chrono::nanoseconds>(system.time_since_epoch()).count();
}

// Files written before the pixels' digest was kept held the file system's own clock.
std::int64_t unixNanosecondsOfFileClock(std::int64_t fileClockNanoseconds) {
    return unixNanoseconds(fs::file_time_type(std::chrono::duration_cast<fs::file_time_type::duration>(
        std::chrono::nanoseconds(fileClockNanoseconds))));
}

QJsonObject locationJson(const PictureLocation& location) {
    return {{"absolute", pathJson(location.absolute)}, {"relative", pathJson(location.relative)}};
}

PictureLocation locationOf(const QJsonValue& value) {
    const QJsonObject object = value.toObject();
    return {pathOf(object["absolute"]), pathOf(object["relative"])};
}

}  // namespace

PictureStamp pictureStampOf(const std::string& path) {
    std::error_code error;
    const std::uint64_t size = fs::file_size(path, error);
    const fs::file_time_type modified = fs::last_write_time(path, error);
    if (error) throw Error("The picture cannot be read (" + error.message() + ")", path);
    return {size, unixNanoseconds(modified)};
}

std::string resultFileName(const std::string& picture, const std::string& curveName) {
    return pictureNamePart(picture) + "-" + curveNamePart(curveName) + ".json";
}

std::string keptDecodedPath(const std::string& folder, const std::string& picture, const std::string& curveName,
                            int quality) {
    const std::string name = pictureNamePart(picture) + "-q" + std::to_string(quality) + ".png";
    return (fs::path(folder) / curveNamePart(curveName) / name).string();
}

std::string keptDecodedPathMade(const std::string& folder, const std::string& picture, const std::string& curveName,
                                int quality) {
    const fs::path path = keptDecodedPath(folder, picture, curveName, quality);
    removeLink(path.parent_path());
    std::error_code error;
    fs::create_directory(path.parent_path(), error);
    if (error)
        throw Error("The folder of decoded pictures cannot be made (" + error.message() + ")",
                    path.parent_path().string());
    removeLink(path);
    return path.string();
}

bool isKeptInside(const std::string& path, const std::string& folder, const std::string& picture,
                  const std::string& curveName, int quality) {
    const fs::path kept = fs::path(keptDecodedPath(folder, picture, curveName, quality)).lexically_normal();
    return fs::path(path).lexically_normal() == kept && isRealEntry(kept.parent_path(), fs::file_type::directory) &&
           isRealEntry(kept, fs::file_type::regular);
}

void writeResult(const std::string& folder, const StoredResult& result) {
    QJsonArray points;
    for (const SweepPoint& point : result.sweep.points) points.append(pointJson(point, folder));
    QJsonObject object{{"format", kResultFormat},
                       {"picture", pathJson(result.picture)},
                       {"picture_file", locationJson(pictureLocationOf(result.picture, folder))},
                       {"picture_size", static_cast<qint64>(result.stamp.size)},
                       {"picture_modified_ns", text(std::to_string(result.stamp.modifiedNanoseconds))},
                       {"picture_pixels_sha256", text(result.pixelsSha256)},
                       {"picture_colour_encoding", text(result.colourEncoding)},
                       {"codec", text(curveCodecName(result.curve))},
                       {"curve", curveJson(result.curve)},
                       {"parameters", parametersJson(result.parameters)},
                       {"points", points}};
    if (!result.failure.empty()) object["failure"] = text(result.failure);
    if (!result.sweep.timedRun.started.empty()) object["timed_run"] = timedRunJson(result.sweep.timedRun);
    writeJson((fs::path(folder) / resultFileName(result.picture, result.curve.name)).string(), object);
}

std::optional<StoredResult> readResult(const std::string& path) {
    std::error_code error;
    if (!fs::exists(path, error)) return std::nullopt;
    const QJsonObject object = readJson(path, kResultFormat);
    StoredResult result;
    result.picture = pathOf(object["picture"]);
    result.stamp.size = static_cast<std::uint64_t>(object["picture_size"].toInteger());
    result.stamp.modifiedNanoseconds = object["picture_modified_ns"].toString().toLongLong();
    if (object.contains("picture_pixels_sha256"))
        result.pixelsSha256 = object["picture_pixels_sha256"].toString().toStdString();
    else
        result.stamp.modifiedNanoseconds = unixNanosecondsOfFileClock(result.stamp.modifiedNanoseconds);
    result.colourEncoding = object["picture_colour_encoding"].toString().toStdString();
    result.parameters = parametersOf(object["parameters"].toObject(), path);
    result.curve = object["curve"].isObject()
                       ? curveOf(object["curve"].toObject(), path)
                       : curveOfCodec(codecOfName(object["codec"].toString(), path), result.parameters);
    result.sweep.curves = {result.curve};
    result.failure = object["failure"].toString().toStdString();
    result.sweep.timedRun = timedRunOf(object["timed_run"].toObject());
    for (const QJsonValue& point : object["points"].toArray())
        result.sweep.points.push_back(pointOf(point.toObject(), result.curve, path));
    return result;
}

std::string manifestPath(const std::string& folder) {
    return (fs::path(folder) / "dataset.json").string();
}

void makeResultFolder(const std::string& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) throw Error("The result folder cannot be made (" + error.message() + ")", folder);
}

void writeManifest(const std::string& folder, const DataSetManifest& manifest) {
    makeResultFolder(folder);
    QJsonArray pictures, locations;
    for (const std::string& picture : manifest.pictures) {
        pictures.append(pathJson(picture));
        locations.append(locationJson(pictureLocationOf(picture, folder)));
    }
    QJsonArray codecs, curves;
    for (const CodecCurve& curve : manifest.curves) {
        codecs.append(text(curve.name));
        curves.append(curveJson(curve));
    }
    writeJson(manifestPath(folder), {{"format", kManifestFormat},
                                     {"pictures", pictures},
                                     {"picture_files", locations},
                                     {"codecs", codecs},
                                     {"curves", curves},
                                     {"parameters", parametersJson(manifest.parameters)}});
}

DataSetManifest readManifest(const std::string& folder) {
    const std::string path = manifestPath(folder);
    std::error_code error;
    if (!fs::exists(path, error)) throw Error("The folder holds no data set (no dataset.json)", folder);
    const QJsonObject object = readJson(path, kManifestFormat);
    requireManifestParts(object, path);
    DataSetManifest manifest;
    for (const QJsonValue& picture : object["pictures"].toArray())
        manifest.pictures.push_back(pathOf(picture));
    manifest.parameters = parametersOf(object["parameters"].toObject(), path);
    if (object["curves"].isArray()) {
        for (const QJsonValue& curve : object["curves"].toArray()) manifest.curves.push_back(curveOf(curve.toObject(), path));
    } else {
        for (const QJsonValue& codec : object["codecs"].toArray())
            manifest.curves.push_back(curveOfCodec(codecOfName(codec.toString(), path), manifest.parameters));
    }
    return manifest;
}

namespace {

// Where a folder's manifest records each of its pictures, read once for any number of look-ups; none
// when it records no location for a picture, or cannot be read (the picture is then looked for as
// in folders written before).
class RecordedLocations {
public:
    explicit RecordedLocations(const std::string& folder) {
        try {
            const DataSetManifest manifest = readManifest(folder);
            locations_ = readPictureLocations(folder);
            // The first of a name that appears twice, as a search from the front finds it.
            for (std::size_t i = 0; i < manifest.pictures.size() && i < locations_.size(); ++i)
                indices_.try_emplace(manifest.pictures[i], i);
        } catch (const Error&) {
            indices_.clear();
        }
    }

    PictureLocation of(const std::string& picture) const {
        const auto found = indices_.find(picture);
        return found == indices_.end() ? PictureLocation{} : locations_[found->second];
    }

private:
    std::vector<PictureLocation> locations_;
    std::unordered_map<std::string, std::size_t> indices_;
};

}  // namespace

std::vector<PictureLocation> readPictureLocations(const std::string& folder) {
    const QJsonObject object = readJson(manifestPath(folder), kManifestFormat);
    std::vector<PictureLocation> locations;
    for (const QJsonValue& location : object["picture_files"].toArray()) locations.push_back(locationOf(location));
    return locations;
}

std::vector<std::string> pictureFilesOfResults(const std::vector<std::string>& pictures,
                                               const std::vector<std::string>& folders) {
    std::vector<RecordedLocations> recorded;
    recorded.reserve(folders.size());
    for (const std::string& folder : folders) recorded.emplace_back(folder);
    std::vector<std::string> files;
    files.reserve(pictures.size());
    for (const std::string& picture : pictures) {
        std::string file = picture;
        for (std::size_t i = 0; i < folders.size(); ++i)
            if (std::string found = foundPictureFile(picture, recorded[i].of(picture), folders[i]); !found.empty()) {
                file = std::move(found);
                break;
            }
        files.push_back(std::move(file));
    }
    return files;
}

std::string pictureFileOfResults(const std::string& picture, const std::vector<std::string>& folders) {
    return pictureFilesOfResults({picture}, folders).front();
}

}  // namespace brenlow

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "experiments/dataset_outcome.h"
#include "results/picture_files.h"

namespace brenlow {

// A picture file as a stored result was made from: a result whose picture has changed since is
// made again.
struct PictureStamp {
    std::uint64_t size = 0;
    std::int64_t modifiedNanoseconds = 0;  // since 1970-01-01 00:00 UTC
    bool operator==(const PictureStamp&) const = default;
};

// Throws Error naming the file when it cannot be read.
PictureStamp pictureStampOf(const std::string& path);

// One picture swept with one curve, as a result folder keeps it.
struct StoredResult {
    std::string picture;
    CodecCurve curve;
    PictureStamp stamp;
    DataSetParameters parameters;
    SweepOutcome sweep;   // that curve's points only
    std::string failure;  // why the item could not be made; then it has no points
    std::string pixelsSha256;  // of the picture's pixels (pixelsSha256); empty in files written before
    std::string colourEncoding;  // the picture's, as colourEncodingName says it; empty in files written before
};

// The file of a picture x curve item inside a result folder: the first 100 bytes of the picture's
// file name (other characters than letters, digits, '.', '-' and '_' made '_'), a hash of its whole
// path, the curve's name made safe the same way (with a hash of it when that changed it, or when
// it is empty, "." or ".."); so any name a folder can hold gives a result file name it can hold
// too, and no curve's folder of decoded pictures lies outside the result folder.
std::string resultFileName(const std::string& picture, const std::string& curveName);

// Where a result folder keeps the decoded picture of a point of a curve run by commands: a PNG in a
// folder named for the curve as its result files are, "CURVE/NAME-HASH-qQUALITY.png".
std::string keptDecodedPath(const std::string& folder, const std::string& picture, const std::string& curveName,
                            int quality);

// The same, its folder made: a link in the place of the folder or of the file (a handed result
// folder's) is removed first, so that nothing is written through it outside the result folder.
// Throws Error naming the folder when it cannot be made.
std::string keptDecodedPathMade(const std::string& folder, const std::string& picture, const std::string& curveName,
                                int quality);

// Whether `path` is that point's keptDecodedPath, a file reached without a link: a decoded picture
// anywhere else is not one the result folder keeps.
bool isKeptInside(const std::string& path, const std::string& folder, const std::string& picture,
                  const std::string& curveName, int quality);

// Writes the result into the folder whole or not at all, its picture recorded by name and by its
// location; a point's kept decoded picture is recorded relative to the folder when it lies inside
// it, else by its absolute path. Throws Error.
void writeResult(const std::string& folder, const StoredResult& result);

// The result kept in the file, a kept decoded picture's path made one to open from here; nullopt
// when there is no such file. Throws Error naming the file when it cannot be read or is not a
// result file of this program.
std::optional<StoredResult> readResult(const std::string& path);

// What a result folder is for: the whole data set, however much of it one shard makes, so that a
// merge knows every item it must find.
struct DataSetManifest {
    std::vector<std::string> pictures;
    std::vector<CodecCurve> curves;
    DataSetParameters parameters;
    bool operator==(const DataSetManifest&) const = default;
};

// The manifest's file inside a result folder.
std::string manifestPath(const std::string& folder);

// Creates the folder and its parents when needed. Throws Error naming it.
void makeResultFolder(const std::string& folder);

// Creates the folder when needed and writes the manifest whole, each picture with its location.
// Throws Error.
void writeManifest(const std::string& folder, const DataSetManifest& manifest);

// The locations the folder's manifest records, one per picture in its order; none for a manifest
// written before they were kept. Throws Error as readManifest does.
std::vector<PictureLocation> readPictureLocations(const std::string& folder);

// The file of a picture the manifests of the result folders name, as foundPictureFile finds it from
// each folder in turn (a folder whose manifest does not read, as one written before locations were
// kept); the name as stored when none is found, so that an error names it.
std::string pictureFileOfResults(const std::string& picture, const std::vector<std::string>& folders);

// pictureFileOfResults of each picture, in their order, each folder's manifest read once.
std::vector<std::string> pictureFilesOfResults(const std::vector<std::string>& pictures,
                                               const std::vector<std::string>& folders);

// Throws Error naming the file when the folder has none or it cannot be read.
DataSetManifest readManifest(const std::string& folder);

}  // namespace brenlow

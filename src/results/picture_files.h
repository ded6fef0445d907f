#pragma once

#include <QImage>
#include <string>
#include <vector>

namespace brenlow {

// Where a result folder's picture lay when the folder was written: by its absolute path, and by its
// path relative to the result folder, so that the folder still finds it when moved together with its
// pictures (the relative one) or alone (the absolute one).
struct PictureLocation {
    std::string absolute;
    std::string relative;  // from the result folder
    bool operator==(const PictureLocation&) const = default;
};

// The picture named as the run was given it (relative to the working folder or absolute), both ways.
PictureLocation pictureLocationOf(const std::string& picture, const std::string& folder);

// The SHA-256 (lowercase hexadecimal) of a picture's size and 8-bit RGB pixels: the same pixels give
// the same digest whatever file format, metadata or modification time carries them.
std::string pixelsSha256(const QImage& picture);

// The file where a picture of result folder `folder`, recorded at `location` under the name `picture`,
// is now: its path relative to the folder, then its absolute path, then the name as it stands; for
// folders written before locations were kept (an empty location), the name beside the folder and
// in the folder's parent (where `sweep set --out results` keeps both). Empty when none exists.
std::string foundPictureFile(const std::string& picture, const PictureLocation& location, const std::string& folder);

}  // namespace brenlow

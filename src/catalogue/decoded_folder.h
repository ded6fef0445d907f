#pragma once

#include <QImage>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brenlow {

// A decoded picture file (PNG, PPM or BMP) as a 24-bit picture. Throws Error naming the file; for
// one that is empty or holds no lossless picture (JPEG data), the format its name claims and what
// it holds.
QImage loadDecodedPicture(const std::string& path);

// One rate point of a codec that ran elsewhere: a subfolder of the decoded folder named by the
// point's label ("40", or a lambda "0.0130").
struct DecodedPoint {
    std::string label;   // the subfolder's name
    std::string folder;  // its path
    int quality = 0;     // the label when every label is a whole number, else the point's place
                         // (1, 2, ...) in ascending order of the labels' values
};

// The subfolders of `decodedFolder`, in ascending order of quality. Throws Error naming the folder
// when it holds none, or two labels of the same value; and naming the point's folder when a label
// of digits (after an optional minus) lies beyond kFurthestQuality either way.
std::vector<DecodedPoint> decodedPoints(const std::string& decodedFolder);

// A reference picture's decoded file in a point's folder: the one picture file (.png, .ppm, .bmp,
// any case) of the same stem. Throws Error naming the point and the picture when there is none, or
// more than one.
std::string decodedPictureOf(const DecodedPoint& point, const std::string& referencePicture);

// The coded size of a reference picture at a point: from the point's sizes.csv (lines
// "picture,bytes", the picture by its file name or stem; a first line "picture,bytes" is a
// header) when there is one, else the size of the one file of the same stem that is no picture
// file. Throws Error naming the point, the picture and the file.
std::uint64_t codedSizeOf(const DecodedPoint& point, const std::string& referencePicture);

}  // namespace brenlow

#pragma once

#include <QImage>
#include <string>

namespace brenlow {

// What the first bytes of a file say it holds. Unknown for an empty or unreadable file, or one no
// reader here recognises.
enum class PictureFileKind { Unknown, Bitmap, Jpeg, Other };

// Looks at the file's first bytes only: "BM" is a Windows bitmap, FF D8 FF a JPEG stream, and
// anything one of Qt's image readers recognises (PNG, TIFF, WebP, PPM/PGM, GIF...) is Other.
// Never throws: a file that cannot be read is Unknown.
PictureFileKind pictureFileKind(const std::string& path);

// Throws Error saying why the file is no picture of the format its extension claims: it is empty,
// holds another format's data ("holds JPEG data"), or holds none read here. A name that claims a
// bitmap, or no format known here, gets the bitmap reader's message. Throws Error as InputFile
// does when the file cannot be opened.
[[noreturn]] void throwNotThePictureItsNameSays(const std::string& path);

// A picture of a kind Qt's image readers take, as 24 bits (alpha left out, 16 bits rounded to the
// nearest 8-bit value, greys and palettes expanded; a GIF's first frame), with the colour space its
// file declares. Its size is checked against kMaxPixels before it is decoded. Throws Error naming
// the file when it cannot be read or decoded, or is cut short. A picture whose file declares
// colours other than sRGB, or whose 16 bits or transparency the measures leave out, is noted
// (noteColoursOtherThanSrgb, noteWhatTheMeasuresLeaveOut).
QImage loadOtherPictureFile(const std::string& path);

}  // namespace brenlow

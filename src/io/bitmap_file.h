#pragma once

#include <QImage>
#include <cstdint>
#include <future>
#include <span>
#include <string>
#include <thread>

#include "io/file_io.h"
#include "io/pending_file.h"
#include "io/rows_in_the_making.h"

namespace brenlow {

// The largest picture any reader accepts; larger ones are refused before their pixels are allocated.
inline constexpr std::int64_t kMaxPixels = 100'000'000;

// Readies Qt's image readers, once, on the first thread that asks while any others wait. Every
// image plugin is instantiated: Qt does so when a picture first needs one, and two threads doing
// so at once can corrupt its heap. And the readers may allocate any picture within kMaxPixels:
// their own limit would refuse an 8000 x 8000 photograph (callers check the size themselves
// before decoding). Every reading through Qt calls it first. A program that reads pictures on
// threads of its own calls it on its main thread before it starts them: the plugins belong to the
// thread that made them, and when that thread has ended before the program, Qt frees its data
// twice over as the plugins go at exit (a heap corrupted, the program aborted as it ends).
void prepareImageReaders();

// The thread that readied the readers; none (a default id) until one has.
std::thread::id imageReadersPreparedOn();

// Whether the file is a bitmap this code decodes itself, never through Qt's readers: plain 24-bit,
// run-length or 16-bit. False for any other file, one that cannot be read or is no bitmap included.
bool bitmapDecodedHere(const std::string& path);

// Throws Error with a clear message when a picture of this size is empty or above kMaxPixels.
void checkPictureSize(std::int64_t width, std::int64_t height, const std::string& what);

// Decodes a Windows bitmap file held in memory (any depth the reader takes) into a 24-bit
// picture (QImage::Format_BGR888). The header is checked first: a pixel array shorter than the
// header promises, or a picture above kMaxPixels, is refused without decoding. `name` only
// appears in messages.
QImage decodeBitmap(std::span<const std::uint8_t> data, const std::string& name);

// Reads a Windows bitmap file as decodeBitmap does. Throws Error when it cannot be opened or read.
QImage loadBitmapFile(const std::string& path);

// The size of the 24-bit bitmap file saveBitmapFile writes for a picture of this size: the 54-byte
// header and the rows, each padded to a multiple of four bytes.
std::uint64_t bitmapFileSize(int width, int height);

// A 24-bit Windows bitmap file of the picture, rows bottom-up, 54-byte header.
Bytes encodeBitmap(const QImage& picture);

// Writes encodeBitmap(picture) whole or not at all.
void saveBitmapFile(const QImage& picture, const std::string& path);

// The same file, written but not yet in place, so that it can join the other outputs of a command.
PendingFile prepareBitmapFile(const QImage& picture, const std::string& path);

// The same for a 24-bit picture being made from the bottom row up: each row is written once its
// maker has finished it, so that the file is written while the picture is made. Throws Error as
// prepareBitmapFile does, or when the maker gives the picture up.
PendingFile prepareBitmapFileAsMade(RowsInTheMaking& picture, const std::string& path);

// The picture as 24 bits per pixel (QImage::Format_BGR888): the same pixels, shared, when it
// already is one, a converted copy otherwise.
QImage as24BitPicture(const QImage& picture);

// A 24-bit picture of the given size for the caller to fill: its pixels are not cleared (the
// padding at each row's end is). Refused when empty, too large or out of memory.
QImage makeBitmap(int width, int height);

// A picture of a size known in advance, made by makeBitmap on another thread that also touches
// all of its memory: a command whose next steps leave a core idle (the JPEG library codes on one)
// has the first-touch cost of its output paid there instead of in its busy kernels later.
class BitmapInTheMaking {
public:
    // Waits for the other thread when the picture was never taken.
    BitmapInTheMaking(int width, int height);

    // The picture, once made, if it has this size; otherwise (or if making it failed) a new one
    // from makeBitmap. Only the first call can return the prepared picture.
    QImage take(int width, int height);

private:
    int width_;
    int height_;
    std::future<QImage> making_;
};

}  // namespace brenlow

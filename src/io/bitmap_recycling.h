#pragma once

#include <QImage>

namespace brenlow {

// While one lives, the pixels of large pictures that makeBitmap made are kept when the picture is
// dropped and handed to the next picture of the same size, instead of going back to the system
// and being faulted in again page by page: a sweep makes and drops a few 36 MB pictures a point.
// A bounded amount is kept; all of it is freed when the last one ends. Any thread may make and
// drop pictures meanwhile.
class BitmapRecycling {
public:
    BitmapRecycling();
    ~BitmapRecycling();
    BitmapRecycling(const BitmapRecycling&) = delete;
    BitmapRecycling& operator=(const BitmapRecycling&) = delete;
};

// A 24-bit picture whose pixels are not cleared, on kept memory while a BitmapRecycling lives and
// the picture is large; a null picture when out of memory. makeBitmap's allocation.
QImage allocateBitmap(int width, int height);

// Bytes kept for reuse now, for tests.
std::size_t keptBitmapBytes();

}  // namespace brenlow

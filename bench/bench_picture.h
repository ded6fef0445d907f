#pragma once

// The 12-megapixel picture every benchmark works on, made once per program.
#include <QImage>

namespace brenlow::bench {

inline constexpr int kWidth = 4000;
inline constexpr int kHeight = 3000;

inline const QImage& picture() {
    static const QImage image = [] {
        QImage made(kWidth, kHeight, QImage::Format_BGR888);
        for (int y = 0; y < kHeight; ++y) {
            uchar* row = made.scanLine(y);
            for (int x = 0; x < kWidth * 3; ++x) {
                row[x] = static_cast<uchar>((x * 7 + y * 13 + (x * y) % 31) & 0xFF);
            }
        }
        return made;
    }();
    return image;
}

}  // namespace brenlow::bench

// Makes a large test photograph from any picture: scaled smoothly to the given size and written
// as a 24-bit bitmap, so the timing runs need nothing but the project itself.
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "io/bitmap_file.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: make_photo SOURCE.bmp TARGET.bmp WIDTH HEIGHT\n");
        return 2;
    }
    try {
        const QImage source = brenlow::loadBitmapFile(argv[1]);
        const QImage scaled = source.scaled(std::atoi(argv[3]), std::atoi(argv[4]), Qt::IgnoreAspectRatio,
                                            Qt::SmoothTransformation);
        brenlow::saveBitmapFile(scaled.convertToFormat(QImage::Format_BGR888), argv[2]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}

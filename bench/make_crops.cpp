// Makes a data set of small pictures for the timing runs: COUNT crops of WIDTH x HEIGHT taken in
// turn from the given pictures, at places spread over each (a picture smaller than a crop is
// scaled up first), written as 24-bit bitmaps crop000.bmp, crop001.bmp, ... into FOLDER, or with
// --ppm first as crop000.ppm, ... for programs that read no bitmaps.
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "io/bitmap_file.h"

namespace {

QImage atLeast(const QImage& picture, int width, int height) {
    if (picture.width() >= width && picture.height() >= height) return picture;
    return picture.scaled(std::max(width, picture.width()), std::max(height, picture.height()),
                          Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
}

// The k-th place of a crop: steps of a prime fraction of the room, so successive crops of one
// picture differ.
int place(int room, int k, int step) { return room == 0 ? 0 : (k * step) % (room + 1); }

}  // namespace

int main(int argc, char** argv) {
    const bool ppm = argc > 1 && std::string(argv[1]) == "--ppm";
    if (ppm) --argc, ++argv;
    if (argc < 6) {
        std::fprintf(stderr, "usage: make_crops [--ppm] FOLDER COUNT WIDTH HEIGHT PICTURE.bmp...\n");
        return 2;
    }
    try {
        const std::string folder = argv[1];
        const int count = std::atoi(argv[2]), width = std::atoi(argv[3]), height = std::atoi(argv[4]);
        std::vector<QImage> pictures;
        for (int i = 5; i < argc; ++i) pictures.push_back(atLeast(brenlow::loadBitmapFile(argv[i]), width, height));
        for (int n = 0; n < count; ++n) {
            const QImage& picture = pictures[static_cast<std::size_t>(n) % pictures.size()];
            const int k = n / static_cast<int>(pictures.size());
            const QImage crop = picture.copy(place(picture.width() - width, k, 37), place(picture.height() - height, k, 23),
                                             width, height);
            char name[32];
            std::snprintf(name, sizeof name, "/crop%03d.%s", n, ppm ? "ppm" : "bmp");
            const QImage pixels = crop.convertToFormat(QImage::Format_BGR888);
            if (!ppm) {
                brenlow::saveBitmapFile(pixels, folder + name);
            } else if (!pixels.save(QString::fromStdString(folder + name), "PPM")) {
                throw std::runtime_error("Cannot write " + folder + name);
            }
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}

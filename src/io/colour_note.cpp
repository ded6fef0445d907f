#include "io/colour_note.h"

#include <QColorSpace>
#include <QColorTransform>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>

namespace brenlow {
namespace {

struct Notes {
    std::mutex mutex;
    std::function<void(const std::string&)> handler;
    std::set<std::string> notedFiles;
};

Notes& notes() {
    static Notes shared;
    return shared;
}

// The largest difference between what two transforms make of a grid of colours, in levels of
// 65535; a null `expected` leaves the colours as they are.
int largestDifference(const QColorTransform& transform, const QColorTransform* expected) {
    constexpr int kLevels[] = {0, 8, 32, 64, 128, 192, 255};
    int largest = 0;
    for (int red : kLevels)
        for (int green : kLevels)
            for (int blue : kLevels) {
                const QRgba64 colour = QRgba64::fromRgba(red, green, blue, 255);
                const QRgba64 made = transform.map(colour);
                const QRgba64 wanted = expected != nullptr ? expected->map(colour) : colour;
                largest = std::max({largest, std::abs(made.red() - wanted.red()),
                                    std::abs(made.green() - wanted.green()), std::abs(made.blue() - wanted.blue())});
            }
    return largest;
}

// Whether the declared colours, made sRGB, keep the values within a level in 255: sRGB however
// it is declared (a chunk, any of the ICC profiles of it), or a gamma of 2.2 on sRGB's primaries.
bool withinALevelOfSrgb(const QColorSpace& space) {
    constexpr int kOneLevel = 257;
    const QColorTransform toSrgb = space.transformationToColorSpace(QColorSpace::SRgb);
    if (largestDifference(toSrgb, nullptr) <= kOneLevel) return true;
    const QColorTransform gamma22 =
        QColorSpace(QColorSpace::Primaries::SRgb, 2.2F).transformationToColorSpace(QColorSpace::SRgb);
    return largestDifference(toSrgb, &gamma22) <= kOneLevel;
}

std::string declaredColours(const QColorSpace& space) {
    const QString description = space.description();
    if (!description.isEmpty() && description != QLatin1String("Custom"))
        return "the profile \"" + description.toStdString() + "\"";
    const bool gammaCurve = space.transferFunction() == QColorSpace::TransferFunction::Gamma ||
                            space.transferFunction() == QColorSpace::TransferFunction::Linear;
    if (gammaCurve && space.primaries() == QColorSpace::Primaries::SRgb) {
        char gamma[32];
        std::snprintf(gamma, sizeof gamma, "%.2f", static_cast<double>(space.gamma()));
        return std::string("a gamma of ") + gamma;
    }
    return "primaries or a tone curve of their own";
}

// Tells the handler `note` about `path`, unless it was told a note of that kind about it before.
void noteOnce(const std::string& path, const std::string& kind, const std::string& note) {
    Notes& shared = notes();
    const std::lock_guard lock(shared.mutex);
    if (!shared.handler || !shared.notedFiles.insert(kind + '\n' + path).second) return;
    shared.handler(note);
}

bool holdsSixteenBits(const QImage& picture) {
    switch (picture.format()) {
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
    case QImage::Format_Grayscale16:
        return true;
    default:
        return false;
    }
}

bool someAreTransparent(const QImage& picture) {
    if (!picture.hasAlphaChannel()) return false;
    const QImage alpha = picture.convertToFormat(QImage::Format_Alpha8);
    for (int y = 0; y < alpha.height(); ++y) {
        const uchar* row = alpha.constScanLine(y);
        if (std::any_of(row, row + alpha.width(), [](uchar value) { return value != 255; })) return true;
    }
    return false;
}

}  // namespace

void noteWhatTheMeasuresLeaveOut(const QImage& picture, const std::string& path) {
    {
        const std::lock_guard lock(notes().mutex);
        if (!notes().handler) return;
    }
    if (holdsSixteenBits(picture)) {
        noteOnce(path, "depth",
                 "Note: \"" + path +
                     "\" holds 16 bits per channel; every measure takes it rounded to 8 bits (the nearest whole "
                     "number to value x 255 / 65535)");
    }
    if (someAreTransparent(picture)) {
        noteOnce(path, "alpha",
                 "Note: \"" + path +
                     "\" has transparent pixels; every measure takes the colours stored in them as they are and "
                     "leaves the alpha channel out (nothing is composited onto a background)");
    }
}

void setPictureNoteHandler(std::function<void(const std::string&)> handler) {
    const std::lock_guard lock(notes().mutex);
    notes().handler = std::move(handler);
}

void noteColoursOtherThanSrgb(const QImage& picture, const std::string& path) {
    const QColorSpace space = picture.colorSpace();
    if (!space.isValid() || space == QColorSpace(QColorSpace::SRgb)) return;
    Notes& shared = notes();
    {
        const std::lock_guard lock(shared.mutex);
        if (!shared.handler || shared.notedFiles.contains("colours\n" + path)) return;
    }
    // Weighing the colours builds two transforms: outside the lock, so that threads reading
    // pictures at once do not wait on one another for it.
    if (withinALevelOfSrgb(space)) return;
    noteOnce(path, "colours", "Note: \"" + path + "\" declares colours other than sRGB (" + declaredColours(space) +
                   "); SSIMULACRA 2, Butteraugli and CIEDE2000 convert its colours, PSNR and "
                   "SSIM take its code values as they are");
}

}  // namespace brenlow

#pragma once

#include <QImage>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "imaging/quality_metrics.h"

namespace brenlow {

// Fidelity of a decoded picture against its source, in the usual research units. A PSNR is
// +infinity when the error is exactly zero; SSIM is NaN when the common area is smaller than the
// 11 x 11 window. A measure the caller left out of its MeasureChoice is NaN.
struct PictureMeasures {
    double psnrRed = 0.0;    // dB, 10 log10(255^2 / MSE) of one channel
    double psnrGreen = 0.0;
    double psnrBlue = 0.0;
    double psnr = 0.0;       // dB, the MSE pooled over all three channels
    double psnrLuma = 0.0;   // dB, of Y = 0.299 R + 0.587 G + 0.114 B, kept in double
    double ssimLuma = 0.0;   // mean SSIM of Y: Gaussian 11 x 11, sigma 1.5, K1 0.01, K2 0.03, L 255
    double msSsimLuma = 0.0;   // five-scale MS-SSIM of Y, same windows; NaN below 176 x 176
    double msSsimLumaDb = 0.0; // dB, -10 log10(1 - MS-SSIM): +infinity when MS-SSIM is 1
    double ciede2000 = 0.0;    // mean CIEDE2000 difference of the pixels, from 8-bit sRGB
    double butteraugliMax = 0.0;    // largest Butteraugli distance; NaN in a build without it
    double butteraugli3Norm = 0.0;  // 3-norm of the Butteraugli distance map
    double ssimulacra2 = 0.0;       // SSIMULACRA 2, 100 for identical pictures; NaN below 8 x 8
};

// Which of the slower measures a caller takes, by the names of the optional measures
// (optionalMeasures() in measure_table.h); PSNR and SSIM are always measured. A name the table
// lacks throws std::invalid_argument.
class MeasureChoice {
public:
    MeasureChoice();  // the table's defaults
    static MeasureChoice none();
    static MeasureChoice every();
    static MeasureChoice only(std::initializer_list<std::string_view> names);

    bool takes(std::string_view name) const;
    MeasureChoice& take(std::string_view name, bool taken = true);

    bool operator==(const MeasureChoice&) const = default;

private:
    explicit MeasureChoice(std::uint64_t taken) : taken_(taken) {}

    std::uint64_t taken_;  // bit i: the table's i-th optional measure
};

// Measures `test` against `reference`, both 24-bit bitmaps (Format_BGR888), over their common
// area counted from the bottom-left corner as ChannelSnr counts it. Throws Error for another
// format or an empty common area, or when Butteraugli cannot be measured.
PictureMeasures measurePictures(const QImage& reference, const QImage& test, const MeasureChoice& choice = {});

// The same, also handing back the whole-number channel energies the PSNR family was summed from:
// snrOfEnergies of them gives ChannelSnr's ratios without another pass over the pictures.
PictureMeasures measurePictures(const QImage& reference, const QImage& test, const MeasureChoice& choice,
                                ByteEnergies& energies);

class PreparedReference;

// The same against a prepared reference: the figures are exactly those of the overloads above,
// and what depends on the reference alone is worked out once for every picture measured against it.
PictureMeasures measurePictures(const PreparedReference& reference, const QImage& test, const MeasureChoice& choice,
                                ByteEnergies& energies);

// Takes the optional measures `more` chooses into `measures`, leaving the others as they are: a
// slow measure can be taken after the rest have been shown. `decoded` is taken in the reference's
// colour encoding, as measureStill takes it. Throws Error as measurePictures does.
void addMeasures(const PreparedReference& reference, const QImage& decoded, const MeasureChoice& more,
                 PictureMeasures& measures);

// Bits of the coded file per pixel of the source picture. Throws Error for an empty picture.
double bitsPerPixel(std::uint64_t codedBytes, int width, int height);

// Fixed notation with the given decimals and a full stop whatever the locale, every digit of the
// value however large; "inf" for +infinity, "n/a" for NaN.
std::string formatMeasure(double value, int decimals);

}  // namespace brenlow

#include "measures/linear_srgb.h"

#include <lcms2.h>

#include <QByteArray>
#include <cmath>
#include <cstdio>
#include <string>

#include "io/error.h"

namespace brenlow {
namespace {

using Profile = std::unique_ptr<void, decltype(&cmsCloseProfile)>;

struct ToneCurveRelease {
    void operator()(cmsToneCurve* curve) const { cmsFreeToneCurve(curve); }
};
using ToneCurve = std::unique_ptr<cmsToneCurve, ToneCurveRelease>;

// A PNG gAMA chunk holds the encoding exponent in units of 1/100000, which the reader hands on as
// the float nearest its inverse: the exponent it stands for is given back exactly (1 / 0.45455, not
// the float beside it). Any other gamma is kept as it is.
double exactGamma(float gamma) {
    const double units = std::round(100000.0 / static_cast<double>(gamma));
    if (units <= 0.0) return gamma;
    const double exact = 100000.0 / units;
    return std::abs(exact - gamma) <= 1e-6 * exact ? exact : static_cast<double>(gamma);
}

ToneCurve declaredCurve(const QColorSpace& space) {
    switch (space.transferFunction()) {
    case QColorSpace::TransferFunction::Linear:
        return ToneCurve(cmsBuildGamma(nullptr, 1.0));
    case QColorSpace::TransferFunction::Gamma:
        return ToneCurve(cmsBuildGamma(nullptr, exactGamma(space.gamma())));
    case QColorSpace::TransferFunction::SRgb: {
        const double srgb[] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
        return ToneCurve(cmsBuildParametricToneCurve(nullptr, 4, srgb));
    }
    default:
        return ToneCurve(nullptr);  // the profile's own curves
    }
}

// The declared colours as a profile. Qt writes a plain gamma into a profile with 8 bits of
// fraction (2.2 becomes 2.19922), so such a curve is written again at full precision.
Profile declaredProfile(const QColorSpace& space) {
    const QByteArray icc = space.iccProfile();
    Profile profile(cmsOpenProfileFromMem(icc.constData(), static_cast<cmsUInt32Number>(icc.size())), &cmsCloseProfile);
    if (!profile) return profile;
    if (const ToneCurve curve = declaredCurve(space)) {
        for (const cmsTagSignature tag : {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag})
            cmsWriteTag(profile.get(), tag, curve.get());
    }
    return profile;
}

Profile linearSrgbProfile() {
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
    const ToneCurve linear(cmsBuildGamma(nullptr, 1.0));
    cmsToneCurve* curves[] = {linear.get(), linear.get(), linear.get()};
    return Profile(cmsCreateRGBProfile(&white, &primaries, curves), &cmsCloseProfile);
}

double linearOfCode(std::size_t code, const QColorSpace& space) {
    const double v = static_cast<double>(code) / 255.0;
    if (!declaresSrgb(space)) return std::pow(v, exactGamma(space.gamma()));
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

void fillCurve(const QColorSpace& space, std::array<float, 256>& table) {
    for (std::size_t code = 0; code < table.size(); ++code) table[code] = static_cast<float>(linearOfCode(code, space));
}

using Matrix = std::array<double, 9>;

// The profile's red, green and blue colorants (XYZ, adapted to the D50 white) as the columns of a matrix.
bool colorants(void* profile, Matrix& matrix) {
    const cmsTagSignature tags[] = {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag};
    for (std::size_t column = 0; column < 3; ++column) {
        const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tags[column]));
        if (xyz == nullptr) return false;
        matrix[column] = xyz->X, matrix[3 + column] = xyz->Y, matrix[6 + column] = xyz->Z;
    }
    return true;
}

Matrix inverse(const Matrix& m) {
    const Matrix cofactors{m[4] * m[8] - m[5] * m[7], m[2] * m[7] - m[1] * m[8], m[1] * m[5] - m[2] * m[4],
                           m[5] * m[6] - m[3] * m[8], m[0] * m[8] - m[2] * m[6], m[2] * m[3] - m[0] * m[5],
                           m[3] * m[7] - m[4] * m[6], m[1] * m[6] - m[0] * m[7], m[0] * m[4] - m[1] * m[3]};
    const double determinant = m[0] * cofactors[0] + m[1] * cofactors[3] + m[2] * cofactors[6];
    Matrix inverted{};
    for (std::size_t i = 0; i < 9; ++i) inverted[i] = cofactors[i] / determinant;
    return inverted;
}

Matrix product(const Matrix& a, const Matrix& b) {
    Matrix made{};
    for (std::size_t row = 0; row < 3; ++row)
        for (std::size_t column = 0; column < 3; ++column)
            for (std::size_t k = 0; k < 3; ++k) made[3 * row + column] += a[3 * row + k] * b[3 * k + column];
    return made;
}

// The curves of a profile of curves and a matrix, code by code.
bool profileCurves(void* profile, std::array<std::array<float, 256>, 3>& curves) {
    const cmsTagSignature tags[] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    for (std::size_t channel = 0; channel < 3; ++channel) {
        const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(profile, tags[channel]));
        if (curve == nullptr) return false;
        for (std::size_t code = 0; code < 256; ++code)
            curves[channel][code] = cmsEvalToneCurveFloat(curve, static_cast<float>(code) / 255.0F);
    }
    return true;
}

// Such a picture needs its curve alone, worked out exactly code by code. Qt's comparison of colour
// spaces allows for rounding, so that primaries declared by their coordinates count as sRGB's.
bool onSrgbPrimariesWithPlainGamma(const QColorSpace& space) {
    const QColorSpace::TransferFunction function = space.transferFunction();
    if (function != QColorSpace::TransferFunction::Gamma && function != QColorSpace::TransferFunction::Linear)
        return false;
    QColorSpace withSrgbCurve = space;
    withSrgbCurve.setTransferFunction(QColorSpace::TransferFunction::SRgb);
    return withSrgbCurve == QColorSpace(QColorSpace::SRgb);
}

}  // namespace

bool declaresSrgb(const QColorSpace& space) { return !space.isValid() || space == QColorSpace(QColorSpace::SRgb); }

LinearSrgbConversion::LinearSrgbConversion(const QColorSpace& space) {
    if (declaresSrgb(space) || onSrgbPrimariesWithPlainGamma(space)) {
        for (std::array<float, 256>& curve : curves_) fillCurve(space, curve);
        return;
    }
    const Profile declared = declaredProfile(space);
    const Profile linear = linearSrgbProfile();
    Matrix toXyz{}, srgbToXyz{};
    if (declared && linear && cmsIsMatrixShaper(declared.get()) && colorants(declared.get(), toXyz) &&
        colorants(linear.get(), srgbToXyz) && profileCurves(declared.get(), curves_)) {
        const Matrix toSrgb = product(inverse(srgbToXyz), toXyz);
        for (std::size_t i = 0; i < 9; ++i) matrix_[i] = static_cast<float>(toSrgb[i]);
        mixes_ = true;
        return;
    }
    // Without optimisation the pipeline stays in floating point from end to end, and so unbounded.
    if (declared && linear) {
        cmsHTRANSFORM transform =
            cmsCreateTransform(declared.get(), TYPE_BGR_8, linear.get(), TYPE_RGB_FLT, INTENT_RELATIVE_COLORIMETRIC,
                               cmsFLAGS_NOCACHE | cmsFLAGS_NOOPTIMIZE);
        if (transform != nullptr) transform_ = std::shared_ptr<void>(transform, &cmsDeleteTransform);
    }
    if (!transform_) {
        throw Error("The colours the picture declares (" + colourEncodingName(space) +
                    ") cannot be converted: the colour-management library does not take them");
    }
}

void LinearSrgbConversion::convertRow(const uchar* bgr, int width, float* rgb) const {
    if (transform_) {
        cmsDoTransform(transform_.get(), bgr, rgb, static_cast<cmsUInt32Number>(width));
        return;
    }
    const float* m = matrix_.data();
    for (int c = 0; c < width; ++c, bgr += 3, rgb += 3) {
        const float red = curves_[0][bgr[2]], green = curves_[1][bgr[1]], blue = curves_[2][bgr[0]];
        if (!mixes_) {
            rgb[0] = red, rgb[1] = green, rgb[2] = blue;
            continue;
        }
        rgb[0] = m[0] * red + m[1] * green + m[2] * blue;
        rgb[1] = m[3] * red + m[4] * green + m[5] * blue;
        rgb[2] = m[6] * red + m[7] * green + m[8] * blue;
    }
}

std::string colourEncodingName(const QColorSpace& space) {
    if (!space.isValid()) return "sRGB (untagged)";
    if (space == QColorSpace(QColorSpace::SRgb)) return "sRGB";
    const QColorSpace::TransferFunction function = space.transferFunction();
    const bool plainGamma =
        function == QColorSpace::TransferFunction::Gamma || function == QColorSpace::TransferFunction::Linear;
    const QString description = space.description();
    if (!plainGamma || (!description.isEmpty() && description != QLatin1String("Custom")))
        return "ICC profile \"" + description.toStdString() + "\"";
    char gamma[64];
    std::snprintf(gamma, sizeof gamma, "gamma %.5f", exactGamma(space.gamma()));
    const bool srgbPrimaries = onSrgbPrimariesWithPlainGamma(space);
    return std::string(gamma) + (srgbPrimaries ? " on sRGB primaries" : " on primaries of its own");
}

}  // namespace brenlow

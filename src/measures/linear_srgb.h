#pragma once

#include <QColorSpace>
#include <QImage>
#include <array>
#include <memory>
#include <string>

namespace brenlow {

// Whether a picture's code values are read through the sRGB curve as they are: it declares no
// colours (untagged pictures are sRGB) or declares sRGB itself.
bool declaresSrgb(const QColorSpace& space);

// Turns a picture's 8-bit code values into linear-light red, green and blue of sRGB's primaries
// and white: through its curve alone where it declares sRGB or a plain gamma on sRGB's primaries,
// else with the colour-management library. Colours outside sRGB's gamut keep their values below 0 or above 1: a wide-gamut picture
// is converted, never clipped. Safe to share between threads.
class LinearSrgbConversion {
public:
    // Throws Error when the library cannot use the declared colours.
    explicit LinearSrgbConversion(const QColorSpace& space);

    // `width` pixels of a Format_BGR888 row into `rgb`, three floats a pixel.
    void convertRow(const uchar* bgr, int width, float* rgb) const;

private:
    // A profile of curves and a matrix, and every plain gamma, is converted by its curves and the
    // matrix to sRGB's primaries, the library's own arithmetic; other profiles by the library.
    std::shared_ptr<void> transform_;                 // null where curves and a matrix convert
    std::array<std::array<float, 256>, 3> curves_{};  // linear light of each code value of red, green, blue
    std::array<float, 9> matrix_{};                   // rows of the matrix to sRGB's primaries
    bool mixes_ = false;                              // false: the matrix is the identity
};

// The text the figures' records give a picture's colour encoding: "sRGB (untagged)", "sRGB",
// "gamma 2.2 on sRGB primaries", or the name its ICC profile gives itself.
std::string colourEncodingName(const QColorSpace& space);

}  // namespace brenlow

#pragma once

#include <QImage>
#include <cstdint>
#include <string>

#include "imaging/image_planes.h"

namespace brenlow {

// Per-channel signal-to-noise ratios as plain energy ratios (not decibels); -1.0 marks a channel
// whose error energy is exactly zero.
struct SnrTriple {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
};

// Signal energy of `reference` over error energy against `test`, per channel, summed in double.
// Pictures of different sizes are compared over their common area, counted from plane row 0 and
// column 0 (the bottom-left corner), each picture indexed with its own row length.
SnrTriple ChannelSnr(const ImagePlanes& reference, const ImagePlanes& test);

// The same ratios straight from two 24-bit bitmaps (Format_BGR888), without planes. Sums of 8-bit
// samples are whole numbers that double holds exactly, so the result equals that of the planes.
SnrTriple ChannelSnr(const QImage& reference, const QImage& test);

// Whole-number energies of 24-bit pixels by byte of the pixel: 0 blue, 1 green, 2 red.
struct ByteEnergies {
    std::uint64_t signal[kChannels] = {};  // squares of the reference's bytes
    std::uint64_t error[kChannels] = {};   // squares of the differences
};

// Adds the energies of one row of `width` pixels of `a` against `b`, on whole vectors.
void addRowEnergies(const uchar* a, const uchar* b, int width, ByteEnergies& energies);

// The ratios of energies summed over a whole common area: ChannelSnr's figures.
SnrTriple snrOfEnergies(const ByteEnergies& energies);

// Five significant digits in fixed notation with a full stop, ties to even, no leading zero:
// 32.770248 -> "32.770", 0.5 -> ".50000", 12345.6 -> "12346.". Values below 0.1 get leading zeros
// after the point (".012346"), values of 100000 and more trailing zeros before it ("123460.").
std::string FormatRatio(double ratio);

// The figures of one compression run as the main window keeps them.
struct CompressionFigures {
    std::uint64_t originalSize = 0;
    std::uint64_t codedSize = 0;
    float compressionRatio = 0.0f;
};

// originalSize / codedSize in extended precision, rounded to float. codedSize must not be 0.
CompressionFigures makeFigures(std::uint64_t originalSize, std::uint64_t codedSize);

// "%.3f" of the ratio first rounded to float, with the decimal separator of the C locale in force.
std::string formatSnr(double snr);

// "Ratio: R; File size: C; Original size: O SNR_R=r; SNR_G=g; SNR_B=b;"
std::string fullReportLine(const CompressionFigures& figures, const SnrTriple& snr);

// "Ratio: R; File size: C; Original size: O"
std::string shortReportLine(const CompressionFigures& figures);

}  // namespace brenlow

#pragma once

#include <string>
#include <vector>

#include "research/bd_rate.h"
#include "research/sweep.h"

namespace brenlow {

// Which quality a rate-distortion curve plots against the bits per pixel.
enum class CurveMeasure { Psnr, PsnrLuma, SsimLuma };

// One codec's curve in the order of its qualities: (bits per pixel, measure) per point.
std::vector<RatePoint> curveOf(const SweepOutcome& outcome, StillCodec codec, CurveMeasure measure);

// The Bjontegaard delta rates of one codec against plain JPEG, on the pooled PSNR and on the
// luma PSNR (see bjontegaardDeltaRate for the interpolation).
struct DeltaRate {
    StillCodec codec = StillCodec::Avc;
    double psnr = 0.0;
    double psnrLuma = 0.0;
};

// For every codec of the sweep but JPEG, in the sweep's order; empty when JPEG was not swept.
std::vector<DeltaRate> deltaRatesAgainstJpeg(const SweepOutcome& outcome);

// The points as CSV (RFC 4180), a header row first, numbers with a full stop, "inf" for an
// infinite PSNR, "n/a" for an undefined SSIM; the report line is always quoted.
std::string sweepCsv(const SweepOutcome& outcome);

}  // namespace brenlow

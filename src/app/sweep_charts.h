#pragma once

#include "research/sweep.h"

class QWidget;

namespace brenlow {

// The rate-distortion charts of a sweep: bits per pixel against PSNR and against SSIM, one curve
// per codec.
QWidget* makeRateDistortionCharts(const SweepOutcome& outcome);

}  // namespace brenlow

#pragma once

#include <cstddef>

namespace brenlow::batch_math {

// Which code computes a batch: two lanes at a time where the processor has SSE4.1 and 4.2, one
// otherwise. Both give the same bits (no fused multiply-add in either), so a figure never depends on
// the machine; `oneLane` is there to show that.
enum class Lanes { best, oneLane };

// out[i] = sin(in[i]), cos(in[i]), exp(in[i]) for i < count, to within a few units in the last
// place of the C library's results. `out` may be `in`.
void sines(const double* in, double* out, std::size_t count, Lanes lanes = Lanes::best);
void cosines(const double* in, double* out, std::size_t count, Lanes lanes = Lanes::best);
void exponentials(const double* in, double* out, std::size_t count, Lanes lanes = Lanes::best);

// out[i] = atan2(y[i], x[i]) with the C library's quadrants, signs of zero included.
void arctangents(const double* y, const double* x, double* out, std::size_t count, Lanes lanes = Lanes::best);

}  // namespace brenlow::batch_math

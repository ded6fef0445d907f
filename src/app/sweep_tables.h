#pragma once

#include "research/sweep_report.h"

class QTableWidget;

namespace brenlow {

// Every point of a sweep, one row each ("SweepTable"): codec, quality, coded size, bits per
// pixel, every measure ("n/a" where not taken), and the coding and decoding times and speeds.
QTableWidget* makePointTable(const SweepOutcome& outcome);

// The delta rates against `anchor` ("DeltaTable"), one row per other codec and measure held:
// BD-rate in per cent and BD-quality in the measure's unit, with the cubic fit and with PCHIP.
// A delta averaged over less than half of a curve's range ends in " !" and its tooltip says how
// much the curves share. Null when the sweep has no anchor curve or no other codec.
QTableWidget* makeDeltaTable(const SweepOutcome& outcome, StillCodec anchor);

}  // namespace brenlow

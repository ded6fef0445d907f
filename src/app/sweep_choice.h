#pragma once

#include <QString>
#include <vector>

#include "research/measures.h"
#include "research/sweep.h"
#include "research/still_measures.h"

namespace brenlow {

// What the sweep dialog asks: the codecs, the qualities as the user wrote them, the slower
// measures and the codec the delta rates are taken against.
struct SweepChoice {
    std::vector<StillCodec> codecs{StillCodec::Jpeg, StillCodec::Avc, StillCodec::Ajc};
    QString qualities = QStringLiteral("10:90:10");
    // Butteraugli, the slowest measure by far, is asked for rather than assumed.
    MeasureChoice measures{true, true, false};
    StillCodec anchor = StillCodec::Jpeg;
};

// The qualities as written, spaces allowed; empty when they do not read (see parseQualities).
std::vector<int> qualitiesOf(const SweepChoice& choice);

// The settings of a sweep of the choice: each codec checked at the settings last chosen for it
// (Compress > Anchor Codec > Settings...), the divisor code and focus of the toolbar's fields for
// those that take them.
SweepSettings sweepSettingsOf(const SweepChoice& choice, long divisorCode, long focus);

// The name of the choice's anchor among the sweep's curves.
std::string anchorCurveOf(const SweepChoice& choice, const SweepSettings& settings);

// The choice last accepted, or the defaults the first time. Codecs this build lacks are left out
// and Butteraugli is off where it cannot be measured; the anchor is one of the codecs kept.
SweepChoice recalledSweepChoice();

// Kept in the workbench's settings for the next sweep.
void rememberSweepChoice(const SweepChoice& choice);

}  // namespace brenlow

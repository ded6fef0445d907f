#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "brenlow/codec.h"
#include "brenlow/measures.h"
#include "brenlow/requests.h"
#include "brenlow/studies.h"

namespace brenlow {

// The object name of the sweep dialog's box for the measure: "SweepMsSsim" for "ms_ssim".
QString measureBoxName(const OptionalMeasure& measure);

// What the sweep dialog asks: the curves, each a codec at its settings as NAME[:KEY=VALUE]...
// [:label=TEXT]; the qualities, or the sizes each curve is coded to, as the user wrote them; the
// slower measures and the curve the delta rates are taken against.
struct SweepChoice {
    QStringList curves{QStringLiteral("jpeg"), QStringLiteral("avc"), QStringLiteral("ajc")};
    QString qualities = QStringLiteral("10:90:10");
    QString bppTargets = QStringLiteral("0.25,0.5,1.0");
    bool bySize = false;  // the curves are coded to bppTargets instead of at the qualities
    MeasureChoice measures = SweepRequest().measures;
    QString anchor = QStringLiteral("jpeg");  // one of the curves, as written there
};

// The qualities as written, spaces allowed; empty when they do not read (see parseQualities).
std::vector<int> qualitiesOf(const SweepChoice& choice);

// The sizes as written, spaces allowed, ascending; empty when they do not read.
std::vector<double> bppTargetsOf(const SweepChoice& choice);

// The curve a text names, under the run defaults of the toolbar's divisor and focus. Throws Error
// naming the codec, the key and what is allowed.
CodecCurve sweepCurveNamed(const QString& text, long divisorCode, long focus);

// The name a codec is offered under: the codec at the settings last chosen for it (Compress >
// Anchor Codec > Settings...), naming only those that differ from its defaults, so that a codec
// left at its defaults keeps its plain name.
QString rememberedCurveName(const CodecEntry& codec);
QString rememberedCurveName(StillCodec codec);

// The sweep the choice asks for: its curves under the divisor code and focus of the toolbar's
// fields for those that take them, at the qualities or sizes chosen, against the anchor chosen
// when it is one of the curves.
SweepRequest sweepRequestOf(const SweepChoice& choice, long divisorCode, long focus);

// The choice last accepted, or the defaults the first time. Curves this build cannot code are left
// out and a measure this build lacks is off; the anchor is one of the curves kept.
// A choice remembered as a list of codecs comes back as those codecs at their remembered settings.
SweepChoice recalledSweepChoice();

// Kept in the workbench's settings for the next sweep.
void rememberSweepChoice(const SweepChoice& choice);

}  // namespace brenlow

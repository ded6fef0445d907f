#pragma once

#include <QImage>
#include <QString>

#include "codecs/field_rules.h"
#include "research/still_measures.h"
#include "imaging/quality_metrics.h"

namespace brenlow {

// One still-compression run as the Measurements panel and the Compare view see it.
struct RunRecord {
    QString source;               // caption of the document that was coded
    StillCodec codec = StillCodec::Jpeg;
    StillParameters parameters;
    CompressionFigures figures;
    StillMeasures measures;
    bool measuring = false;       // the measures are still being taken on their own thread
    QImage reference;             // the picture the decoded one was measured against
};

}  // namespace brenlow

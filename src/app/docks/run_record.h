#pragma once

#include <QImage>
#include <QString>

#include "brenlow/codec.h"
#include "brenlow/measures.h"
#include "codecs/codec_settings.h"
#include "codecs/field_rules.h"
#include "imaging/quality_metrics.h"

namespace brenlow {

// One still-compression run as the Measurements panel and the Compare view see it.
struct RunRecord {
    QString source;               // caption of the document that was coded
    const CodecEntry* codec = nullptr;  // the registry's entry, which never moves; null for a point
                                        // decoded elsewhere, named by `curve`
    QString curve;                      // the curve's title where `codec` is null
    StillParameters parameters;
    CodecSettings settings;       // as a codec not ours coded with them, every key; empty for ours
    CompressionFigures figures;
    StillMeasures measures;
    bool measuring = false;       // the measures are still being taken on their own thread
    QImage reference;             // the picture the decoded one was measured against
    QString origin;               // where a run not of a workbench command came from ("a data set sweep's point")
};

}  // namespace brenlow

#pragma once

#include <QString>

#include "brenlow/codec.h"
#include "codecs/codec_settings.h"
#include "codecs/field_rules.h"

namespace brenlow {

// What made a result, short enough for a window title: "AVC q80 d2 f2", "JPEG q30",
// "WebP q60 method 4". Only the fields the codec reads are named; `resolved` are the settings of a
// codec that is not ours.
QString runDescription(const CodecEntry& codec, const StillParameters& parameters, const CodecSettings& resolved = {});

// "path - description", or the path alone when nothing describes the window.
QString describedTitle(const QString& caption, const QString& description);

}  // namespace brenlow

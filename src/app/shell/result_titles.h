#pragma once

#include <QString>

class QFontMetrics;

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

// What a document's title bar shows of `title`, the title of the window whose caption is the file
// `caption`, in `width` pixels: the file's name and what the title says after the caption lead,
// then the folder, "(in FOLDER)", losing its middle first, so that tiled windows are told apart.
QString titleLeadingWithName(const QString& caption, const QString& title, const QFontMetrics& metrics, int width);

}  // namespace brenlow

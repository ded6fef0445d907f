#pragma once

#include <QImage>
#include <string>
#include <vector>

#include "codecs/document.h"

namespace brenlow {

struct CodecEntry;

// The kinds of codec, as the code that runs and shows them tells them apart: each of our three
// commands, whose options differ; a library codec; a codec not built in, described by commands or
// run elsewhere. A codec of the last two kinds is known by its name alone.
enum class StillCodec { Jpeg, Avc, Ajc, Library, Command };

// Whether codecs of the kind are known by their names rather than by the kind.
constexpr bool isKnownByName(StillCodec kind) { return kind == StillCodec::Library || kind == StillCodec::Command; }

// The command-line name of one of our three codecs. Throws Error for the others, known by their names.
const char* codecName(StillCodec codec);

// The names of our three codecs, then of the library codecs this build has; no codec described by commands.
const std::vector<std::string>& availableCodecs();

// The picture a codec's run is measured against, as its report line's ratios are: the JPEG
// experiment, the library codecs and those described by commands against the document's own file;
// the AVC and AJC codecs against the source file (base.bmp, or a JPEG document's own file), which is
// also what the AJC codec codes.
enum class ReferencePicture { DocumentFile, SourceFile };

ReferencePicture referencePictureOf(const CodecEntry& codec);

// That picture of the document, taken from its filePicture when that is the file meant. Throws Error.
QImage referencePicture(ReferencePicture which, const DocumentView& document);

// The picture the codec's run on the document is measured against. Throws Error.
QImage referencePictureFor(const CodecEntry& codec, const DocumentView& document);
// The same for one of our three codecs.
QImage referencePictureFor(StillCodec codec, const DocumentView& document);

}  // namespace brenlow

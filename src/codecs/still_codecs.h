#pragma once

#include <string>

#include "codecs/document.h"
#include "jpeg/jpeg_bridge.h"
#include "codecs/field_rules.h"
#include "container/coded_image.h"
#include "imaging/quality_metrics.h"
#include "io/bitmap_file.h"
#include "io/file_io.h"

namespace brenlow {

// Decodes an .avc still: checks and unmasks the container, decodes the JPEG, multiplies every
// sample by divisor_code + 0.5 (truncated, capped at 255), enlarges twofold and sharpens
// extra_word times at strength 0.125. Writes the picture to base + "~.bmp" and returns it with its
// planes (the sharpened floats). Throws Error; on failure nothing is written.
DecodedPicture DecodeAvcFile(const std::string& path);

// Decodes an .ajc still at its coded size; its planes equal its bitmap. Writes no file.
DecodedPicture DecodeAjcFile(const std::string& path);

// The same two decoders on a container already read; they write nothing. caption is the name
// the picture is to carry.
// Without keepPlanes the picture comes without its planes.
// `progress`, when given, is told the AVC picture and its finished rows as they are made.
DecodedPicture decodeAvcPicture(const CodedImage& coded, const std::string& caption, bool keepPlanes = true,
                                BitmapInTheMaking* output = nullptr, RowsInTheMaking* progress = nullptr);
DecodedPicture decodeAjcPicture(const CodedImage& coded, const std::string& caption, bool keepPlanes = true);

// The command-line tool's decode: an .avc or .ajc still (by the marker in its name, as
// OpenDocument routes it) decoded and written to outputPath, by default base + "~.bmp", and to
// nothing else. Returns the name written. Throws Error.
std::string decodeStillToFile(const std::string& path, const std::string& outputPath = {});

// The outcome of one still-compression command.
struct StillRunResult {
    std::string codedPath;     // base.avc, base.ajc, or the JPEG file of the experiment
    DecodedPicture decoded;    // for the new document window
    CompressionFigures figures;
    std::string reportLine;    // the text for Edit6
};

// A still coded and decoded again in memory, with nothing written: the coded file's bytes and
// the picture its decoder shows, captioned `caption`.
struct CodedStill {
    Bytes file;
    DecodedPicture decoded;
};

// The coding steps of the three commands below. The AVC codec takes the document's planes, the
// AJC codec the planes of its source file, the JPEG experiment the document's bitmap.
CodedStill codeAvcStill(const ImagePlanes& planes, const StillParameters& parameters, const std::string& caption);
CodedStill codeAjcStill(ImagePlanes planes, const StillParameters& parameters, const std::string& caption);
// The same from a document (its planes, or its bitmap when it has none) and from a 24-bit source
// picture, with the same bits; the decoded planes only when the document wants them.
CodedStill codeAvcStill(const DocumentView& document, const StillParameters& parameters, const std::string& caption);
CodedStill codeAjcStill(const QImage& source, const StillParameters& parameters, const std::string& caption,
                        bool keepPlanes = true);
CodedStill codeJpegStill(const QImage& bitmap, std::uint8_t quality, const std::string& caption,
                         const JpegOptions& options = {});

// The coding halves alone, the same bytes as above, for a caller that times coding and decoding
// apart; decodeAvcPicture and decodeAjcPicture are the other halves.
Bytes encodeAvcFile(const ImagePlanes& planes, const StillParameters& parameters);
Bytes encodeAjcFile(const QImage& source, const StillParameters& parameters);

// Compress > "AVC": halve the document's planes, quantise, code as JPEG into base.avc, decode it
// (writing base~.bmp) and report against the source file's pixels.
StillRunResult encodeAvcStill(const DocumentView& document, const StillParameters& parameters);

// Compress > "AJC": quantise the source file's picture at full size into base.ajc, decode it
// and report ratio and sizes.
StillRunResult encodeAjcStill(const DocumentView& document, const StillParameters& parameters);

// The JPEG file the experiment writes for a document: base + ".jpg", or base + "~.jpg" for a JPEG
// document, which keeps its file. Throws Error as outputBaseName.
std::string experimentJpegName(const std::string& caption);

// Compress > "JPEG": code the document's bitmap as base.jpg (base~.jpg for a .jpg document),
// decode it, write base~.bmp and report against the source file's pixels.
// Options other than the library's defaults code other bytes into the same files.
StillRunResult runJpegExperiment(const DocumentView& document, std::uint8_t quality, const JpegOptions& options = {});

}  // namespace brenlow

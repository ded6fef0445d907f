#pragma once

#include <QImage>
#include <optional>
#include <string>

#include "imaging/image_planes.h"

namespace brenlow {

// What a command sees of a document window: its caption (the file it names), its 24-bit bitmap
// and its planes, which may be absent (a JPEG-experiment window); commands then take the planes
// from the bitmap.
struct DocumentView {
    std::string caption;
    const QImage* bitmap = nullptr;
    const ImagePlanes* planes = nullptr;
    // The pixels of the file the caption names, when the caller holds them exactly as read; the
    // commands then need not read that file again.
    const QImage* filePicture = nullptr;
    // Whether the decoded picture's planes are wanted (a document window keeps them; a command
    // that only writes files does not).
    bool wantsDecodedPlanes = true;
};

// A picture a command produced for a new document window.
struct DecodedPicture {
    std::string caption;                // the window's caption: base + "~.bmp"
    QImage bitmap;                      // 24-bit, Format_BGR888
    std::optional<ImagePlanes> planes;  // absent for JPEG-experiment windows
};

// Where OpenDocument sends a name, by the case-sensitive markers tried in this order.
enum class DocumentRoute { Missing, AvcStill, AjcStill, Jpeg, Bitmap };

// Missing when no file of exactly this name exists; then ".avc", ".ajc", ".jpg" anywhere in the
// name; anything else is read as a bitmap whatever its extension.
DocumentRoute routeDocument(const std::string& name);

// The file a router branch actually reads: base + ".avc" / ".ajc" / ".jpg", or the name itself.
// Throws Error when the name has no base (see baseName) or the derived file does not exist.
std::string routedFileName(const std::string& name, DocumentRoute route);

// The picture of a document, as a 24-bit bitmap: a name with ".jpg" reads base + ".jpg" through the
// JPEG bridge; otherwise the file's first bytes decide: a bitmap, a JPEG stream (a ".jpeg" or ".JPG"
// file, through the JPEG bridge), or another picture Qt's readers take (PNG, TIFF, WebP, PPM/PGM,
// GIF). Throws Error when it cannot be read.
QImage loadDocumentPicture(const std::string& name);

// Whether loadDocumentPicture(name) may go through Qt's image readers, whose plugins
// prepareImageReaders() makes: false for a JPEG, and for a bitmap this code decodes itself.
bool readThroughQtReaders(const std::string& name);

// True for documents whose file is not a bitmap: JPEG documents (".jpg" in the name, or JPEG data)
// and other pictures. Their file is never written; the commands take their own pixels as the
// source and Save writes base + "~.bmp".
bool keepsItsFile(const std::string& caption);

// A JPEG or bitmap document as OpenDocument makes it: the caption is the name as given, the
// bitmap 24-bit, the planes filled from it (or none).
struct PictureDocument {
    std::string caption;
    QImage bitmap;
    ImagePlanes planes;  // empty when opened without planes

    // The bitmap is the file's own pixels, so it serves as the view's filePicture too.
    DocumentView view() const;
};

// Opens a JPEG or bitmap file the way OpenDocument does. Without planes, the commands work from
// the bitmap itself, with the same results. Throws Error when it cannot be read, or when the
// commands could not name their files after it (see baseName), before anything is read.
PictureDocument openPictureDocument(const std::string& name, bool withPlanes = true);

// The picture a codec takes from disk for a document: a name ending in ".bmp" reads base + ".bmp"
// (its own file); any other name its own pixels, as OpenDocument reads them, never another file.
// Throws Error when it cannot be read.
QImage sourceFilePicture(const std::string& caption);

// The same, taken from the document's filePicture when that is the file meant.
QImage sourceFilePicture(const DocumentView& document);

// The pixels of the document's own file (as OpenDocument reads it), from filePicture when held.
QImage documentFilePicture(const DocumentView& document);

// The size a report line compares the coded file with: the file's own size for a bitmap and a
// ".jpg" document; for other pictures (PNG, TIFF, WebP, ...), whose compressed size would make the
// ratio meaningless, the size of their picture as a 24-bit bitmap file. Throws Error when the file
// cannot be read.
std::uint64_t originalSizeOf(const DocumentView& document);

// Where Save writes a document: its caption, or base + "~.bmp" when it keeps its file.
std::string saveTargetFor(const std::string& caption);

}  // namespace brenlow

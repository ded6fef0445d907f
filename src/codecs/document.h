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
std::string routedFileName(const std::string& name, DocumentRoute route);

// The picture of a JPEG or bitmap document, as a 24-bit bitmap. Throws Error when it cannot be read.
QImage loadDocumentPicture(const std::string& name);

// Where Save writes a document: its caption, or base + "~.bmp" when the caption contains ".jpg".
std::string saveTargetFor(const std::string& caption);

}  // namespace brenlow

#include "codecs/document.h"

#include "imaging/bitmap_bridge.h"
#include "io/bitmap_file.h"
#include "io/error.h"
#include "io/file_io.h"
#include "io/picture_file.h"
#include "jpeg/jpeg_bridge.h"

namespace brenlow {
namespace {

// The file read for `name`: its base plus the extension. When that is another file and it is
// missing, the message says how its name was made from the one given.
std::string derivedFile(const std::string& name, const char* extension) {
    std::string file = baseName(name) + extension;
    if (file != name && !fileExists(file)) {
        throw Error("Cannot open \"" + file + "\", read for \"" + name +
                    "\" (the name less its last four characters, plus \"" + extension + "\"): no such file");
    }
    return file;
}

}  // namespace

DocumentRoute routeDocument(const std::string& name) {
    if (!fileExists(name)) {
        return DocumentRoute::Missing;
    }
    if (hasMarker(name, ".avc")) {
        return DocumentRoute::AvcStill;
    }
    if (hasMarker(name, ".ajc")) {
        return DocumentRoute::AjcStill;
    }
    if (hasMarker(name, ".jpg")) {
        return DocumentRoute::Jpeg;
    }
    return DocumentRoute::Bitmap;
}

std::string routedFileName(const std::string& name, DocumentRoute route) {
    switch (route) {
        case DocumentRoute::AvcStill:
            return derivedFile(name, ".avc");
        case DocumentRoute::AjcStill:
            return derivedFile(name, ".ajc");
        case DocumentRoute::Jpeg:
            return derivedFile(name, ".jpg");
        case DocumentRoute::Missing:
        case DocumentRoute::Bitmap:
            break;
    }
    return name;
}

QImage loadDocumentPicture(const std::string& name) {
    if (hasMarker(name, ".jpg")) {
        QImage picture;
        LoadJpeg(picture, derivedFile(name, ".jpg"));
        return picture;
    }
    switch (pictureFileKind(name)) {
        case PictureFileKind::Jpeg: {
            QImage picture;
            LoadJpeg(picture, name);
            return picture;
        }
        case PictureFileKind::Other:
            return loadOtherPictureFile(name);
        case PictureFileKind::Unknown:
            throwNotThePictureItsNameSays(name);
        case PictureFileKind::Bitmap:
            break;
    }
    return loadBitmapFile(name);
}

bool readThroughQtReaders(const std::string& name) {
    if (hasMarker(name, ".jpg")) return false;
    switch (pictureFileKind(name)) {
        case PictureFileKind::Jpeg:
            return false;
        case PictureFileKind::Bitmap:
            return !bitmapDecodedHere(name);
        case PictureFileKind::Other:
        case PictureFileKind::Unknown:
            break;
    }
    return true;
}

bool keepsItsFile(const std::string& caption) {
    if (hasMarker(caption, ".jpg")) {
        return true;
    }
    const PictureFileKind kind = pictureFileKind(caption);
    return kind == PictureFileKind::Jpeg || kind == PictureFileKind::Other;
}

DocumentView PictureDocument::view() const {
    DocumentView view{caption, &bitmap, planes.empty() ? nullptr : &planes};
    view.filePicture = &bitmap;
    return view;
}

PictureDocument openPictureDocument(const std::string& name, bool withPlanes) {
    baseName(name);  // a name the commands cannot derive their files from is refused before reading
    PictureDocument document;
    document.caption = name;
    document.bitmap = loadDocumentPicture(name);
    if (withPlanes) {
        document.planes = planesFromBitmap(document.bitmap);
    }
    return document;
}

namespace {

bool endsWithBmp(const std::string& name) {
    return name.size() >= 4 && name.compare(name.size() - 4, 4, ".bmp") == 0;
}

// The source of a document: base + ".bmp" is its own file only for a ".bmp" name; any other
// document is coded from its own pixels, never from a file that merely shares its first letters.
QImage sourceFilePicture(const std::string& caption, bool codedFromItsOwnPixels) {
    return codedFromItsOwnPixels ? loadDocumentPicture(caption) : loadBitmapFile(derivedFile(caption, ".bmp"));
}

}  // namespace

QImage sourceFilePicture(const std::string& caption) {
    return sourceFilePicture(caption, !endsWithBmp(caption));
}

// A held filePicture is always the file meant: the document's own for a ".bmp" name, and its own
// pixels for any other.
QImage sourceFilePicture(const DocumentView& document) {
    return document.filePicture != nullptr ? *document.filePicture
                                           : sourceFilePicture(document.caption, !endsWithBmp(document.caption));
}

QImage documentFilePicture(const DocumentView& document) {
    return document.filePicture != nullptr ? *document.filePicture : loadDocumentPicture(document.caption);
}

std::uint64_t originalSizeOf(const DocumentView& document) {
    const std::string& caption = document.caption;
    const std::uint64_t fileSize = fileSizeOf(caption);
    if (document.bitmap == nullptr || endsWithBmp(caption) || hasMarker(caption, ".jpg") || !keepsItsFile(caption))
        return fileSize;
    return bitmapFileSize(document.bitmap->width(), document.bitmap->height());
}

std::string saveTargetFor(const std::string& caption) {
    return keepsItsFile(caption) ? outputBaseName(caption) + "~.bmp" : caption;
}

}  // namespace brenlow

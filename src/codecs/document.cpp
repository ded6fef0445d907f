#include "codecs/document.h"

#include "imaging/bitmap_bridge.h"
#include "io/bitmap_file.h"
#include "io/error.h"
#include "io/file_io.h"
#include "jpeg/jpeg_bridge.h"

namespace brenlow {

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
            return baseName(name) + ".avc";
        case DocumentRoute::AjcStill:
            return baseName(name) + ".ajc";
        case DocumentRoute::Jpeg:
            return baseName(name) + ".jpg";
        case DocumentRoute::Missing:
        case DocumentRoute::Bitmap:
            break;
    }
    return name;
}

QImage loadDocumentPicture(const std::string& name) {
    if (hasMarker(name, ".jpg")) {
        QImage picture;
        LoadJpeg(picture, baseName(name) + ".jpg");
        return picture;
    }
    return loadBitmapFile(name);
}

DocumentView PictureDocument::view() const {
    DocumentView view{caption, &bitmap, planes.empty() ? nullptr : &planes};
    view.filePicture = &bitmap;
    return view;
}

PictureDocument openPictureDocument(const std::string& name, bool withPlanes) {
    PictureDocument document;
    document.caption = name;
    document.bitmap = loadDocumentPicture(name);
    if (withPlanes) {
        document.planes = planesFromBitmap(document.bitmap);
    }
    return document;
}

QImage sourceFilePicture(const std::string& caption) {
    if (hasMarker(caption, ".jpg")) {
        return loadDocumentPicture(caption);
    }
    return loadBitmapFile(baseName(caption) + ".bmp");
}

QImage sourceFilePicture(const DocumentView& document) {
    const bool fileIsTheSource =
        hasMarker(document.caption, ".jpg") || baseName(document.caption) + ".bmp" == document.caption;
    return document.filePicture != nullptr && fileIsTheSource ? *document.filePicture
                                                              : sourceFilePicture(document.caption);
}

QImage documentFilePicture(const DocumentView& document) {
    return document.filePicture != nullptr ? *document.filePicture : loadDocumentPicture(document.caption);
}

std::string saveTargetFor(const std::string& caption) {
    return hasMarker(caption, ".jpg") ? baseName(caption) + "~.bmp" : caption;
}

}  // namespace brenlow

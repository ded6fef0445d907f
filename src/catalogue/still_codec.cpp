#include "catalogue/still_codec.h"

#include "catalogue/codec_registry.h"

namespace brenlow {

const char* codecName(StillCodec codec) { return codecEntryOf(codec).name.c_str(); }

const std::vector<std::string>& availableCodecs() {
    // Built once: the built-in codecs never change, and every caller then walks the same list.
    static const std::vector<std::string> names = [] {
        std::vector<std::string> built;
        for (const CodecEntry& entry : codecRegistry())
            if (entry.command == nullptr && entry.caller == nullptr) built.push_back(entry.name);
        return built;
    }();
    return names;
}

ReferencePicture referencePictureOf(const CodecEntry& codec) {
    return codec.againstSourceFile ? ReferencePicture::SourceFile : ReferencePicture::DocumentFile;
}

QImage referencePicture(ReferencePicture which, const DocumentView& document) {
    return which == ReferencePicture::SourceFile ? sourceFilePicture(document) : documentFilePicture(document);
}

QImage referencePictureFor(const CodecEntry& codec, const DocumentView& document) {
    return referencePicture(referencePictureOf(codec), document);
}

QImage referencePictureFor(StillCodec codec, const DocumentView& document) {
    return referencePictureFor(codecEntryOf(codec), document);
}

}  // namespace brenlow

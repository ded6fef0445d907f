#include "research/still_measures.h"

namespace brenlow {

const char* codecName(StillCodec codec) {
    switch (codec) {
        case StillCodec::Jpeg:
            return "jpeg";
        case StillCodec::Avc:
            return "avc";
        case StillCodec::Ajc:
            break;
    }
    return "ajc";
}

std::optional<StillCodec> codecNamed(const std::string& name) {
    for (StillCodec codec : {StillCodec::Jpeg, StillCodec::Avc, StillCodec::Ajc})
        if (name == codecName(codec)) return codec;
    return std::nullopt;
}

bool reportsSnr(StillCodec codec) { return codec != StillCodec::Ajc; }

QImage referencePictureFor(StillCodec codec, const DocumentView& document) {
    return codec == StillCodec::Jpeg ? documentFilePicture(document) : sourceFilePicture(document);
}

StillMeasures measureStill(const QImage& reference, const QImage& decoded, std::uint64_t codedBytes) {
    StillMeasures measures;
    measures.picture = measurePictures(reference, decoded);
    measures.bitsPerPixel = bitsPerPixel(codedBytes, reference.width(), reference.height());
    return measures;
}

}  // namespace brenlow

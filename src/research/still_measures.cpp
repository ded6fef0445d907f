#include "research/still_measures.h"

namespace brenlow {

namespace {

constexpr StillCodec kAllCodecs[] = {StillCodec::Jpeg, StillCodec::Avc,  StillCodec::Ajc, StillCodec::Webp,
                                     StillCodec::Avif, StillCodec::Jxl, StillCodec::Jp2};

}  // namespace

const char* codecName(StillCodec codec) {
    switch (codec) {
        case StillCodec::Jpeg:
            return "jpeg";
        case StillCodec::Avc:
            return "avc";
        case StillCodec::Ajc:
            return "ajc";
        case StillCodec::Webp:
            return "webp";
        case StillCodec::Avif:
            return "avif";
        case StillCodec::Jxl:
            return "jxl";
        case StillCodec::Jp2:
            break;
    }
    return "jp2";
}

const AnchorCodec* anchorCodecOf(StillCodec codec) {
    switch (codec) {
        case StillCodec::Jpeg:
        case StillCodec::Avc:
        case StillCodec::Ajc:
            return nullptr;
        default:
            return anchorCodecNamed(codecName(codec));
    }
}

std::vector<StillCodec> availableCodecs() {
    std::vector<StillCodec> codecs;
    for (StillCodec codec : kAllCodecs)
        if (codec == StillCodec::Jpeg || codec == StillCodec::Avc || codec == StillCodec::Ajc ||
            anchorCodecOf(codec) != nullptr)
            codecs.push_back(codec);
    return codecs;
}

std::optional<StillCodec> codecNamed(const std::string& name) {
    for (StillCodec codec : availableCodecs())
        if (name == codecName(codec)) return codec;
    return std::nullopt;
}

bool reportsSnr(StillCodec codec) { return codec != StillCodec::Ajc; }

QImage referencePictureFor(StillCodec codec, const DocumentView& document) {
    return codec == StillCodec::Avc || codec == StillCodec::Ajc ? sourceFilePicture(document)
                                                                : documentFilePicture(document);
}

StillMeasures measureStill(const QImage& reference, const QImage& decoded, std::uint64_t codedBytes,
                           const MeasureChoice& choice) {
    ByteEnergies energies;
    return measureStill(reference, decoded, codedBytes, choice, energies);
}

StillMeasures measureStill(const QImage& reference, const QImage& decoded, std::uint64_t codedBytes,
                           const MeasureChoice& choice, ByteEnergies& energies) {
    StillMeasures measures;
    measures.picture = measurePictures(reference, decoded, choice, energies);
    measures.bitsPerPixel = bitsPerPixel(codedBytes, reference.width(), reference.height());
    return measures;
}

}  // namespace brenlow

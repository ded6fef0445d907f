#include "catalogue/command_codec_run.h"

#include <QImageWriter>

#include "catalogue/child_process.h"
#include "catalogue/decoded_folder.h"
#include "catalogue/private_folder.h"
#include "io/bitmap_file.h"
#include "io/error.h"
#include "io/file_io.h"
#include "io/picture_file.h"

namespace brenlow {
namespace {

std::string failureIntro(const CommandCodec& codec, int quality) {
    return "The codec \"" + codec.name + "\" (" + codec.file + ") at quality " + std::to_string(quality);
}

std::string withStderr(const std::string& message, const std::string& stderrTail) {
    return stderrTail.empty() ? message + "; it wrote nothing on stderr" : message + "; its stderr ended:\n" + stderrTail;
}

void writeSource(const QImage& source, const std::string& path, const std::string& format) {
    if (format == "bmp") {
        saveBitmapFile(source, path);
        return;
    }
    QImageWriter writer(QString::fromStdString(path), format.c_str());
    if (!writer.write(source)) {
        throw Error("Cannot write the picture for the encoder as " + format + ": " + writer.errorString().toStdString(),
                    path);
    }
}

// The decoder's picture. Its own words may say why it cannot be read.
QImage decodedPicture(const CommandCodec& codec, int quality, const std::string& path, const std::string& stderrTail) {
    try {
        return loadDecodedPicture(path);
    } catch (const Error& error) {
        throw Error(withStderr(failureIntro(codec, quality) + ": the decoded picture cannot be read: " + error.cause(),
                               stderrTail));
    }
}

// The same, which must be the source's size.
QImage decodedPicture(const CommandCodec& codec, int quality, const std::string& path, QSize sourceSize,
                      const std::string& stderrTail) {
    QImage picture = decodedPicture(codec, quality, path, stderrTail);
    if (picture.size() != sourceSize) {
        throw Error(withStderr(failureIntro(codec, quality) + ": the decoded picture is " +
                                   std::to_string(picture.width()) + " x " + std::to_string(picture.height()) +
                                   " pixels, the source " + std::to_string(sourceSize.width()) + " x " +
                                   std::to_string(sourceSize.height()),
                               stderrTail));
    }
    return picture;
}

CallTime timeOf(const ChildOutcome& outcome) { return {outcome.wallSeconds, outcome.cpuSeconds}; }

// Runs one of the codec's commands; throws Error unless it ends with status 0 within the limit
// and leaves `output` behind.
ChildOutcome runCall(const CommandCodec& codec, const std::string& which, const std::vector<std::string>& arguments,
                 const std::string& folder, const std::string& output, int quality) {
    const std::string intro = failureIntro(codec, quality) + ": the " + which + " command \"" + arguments.front() + "\" ";
    ChildOutcome outcome;
    try {
        outcome = runChildProcess(arguments, folder, codec.timeLimitSeconds);
    } catch (const Error& error) {
        throw Error(failureIntro(codec, quality) + ": " + error.what());
    }
    if (!outcome.succeeded()) throw Error(withStderr(intro + outcome.endText(codec.timeLimitSeconds), outcome.stderrTail));
    if (!fileExists(output)) throw Error(withStderr(intro + "wrote no file at {output}", outcome.stderrTail));
    return outcome;
}

std::string codedFileIn(const PrivateFolder& folder, const CommandCodec& codec) {
    return folder.file("coded" + codec.extension);
}

std::string decodedFileIn(const PrivateFolder& folder, const CommandCodec& codec) {
    return folder.file("decoded." + codec.pictureFormat);
}

// Writes the source into the folder and codes it there with the encoder; the coded file is
// codedFileIn the folder.
void encodeInFolder(const CommandCodec& codec, const CodecSettings& settings, const QImage& source, int quality,
                    const PrivateFolder& folder, CommandPoint& point) {
    if (quality < codec.qualities.lowest || quality > codec.qualities.highest) {
        throw Error(failureIntro(codec, quality) + ": the quality is not between " +
                    std::to_string(codec.qualities.lowest) + " and " + std::to_string(codec.qualities.highest));
    }
    const std::string input = folder.file("source." + codec.pictureFormat);
    const std::string coded = codedFileIn(folder, codec);
    writeSource(source, input, codec.pictureFormat);
    point.encode = timeOf(runCall(codec, "encode", substitutedArguments(codec.encode, input, coded, quality, settings),
                                  folder.path(), coded, quality));
    point.codedBytes = fileSizeOf(coded);
    if (point.codedBytes == 0) throw Error(failureIntro(codec, quality) + ": the encode command wrote an empty file");
}

// Decodes the folder's coded file with the decoder into the folder's decoded picture.
ChildOutcome decodeInFolder(const CommandCodec& codec, const CodecSettings& settings, int quality,
                            const PrivateFolder& folder) {
    return runCall(codec, "decode",
                   substitutedArguments(codec.decode, codedFileIn(folder, codec),
                                        decodedFileIn(folder, codec), quality, settings),
                   folder.path(), decodedFileIn(folder, codec), quality);
}

}  // namespace

std::uint64_t commandCodedBytes(const CommandCodec& codec, const CodecSettings& settings, const QImage& source,
                                int quality) {
    const PrivateFolder folder("brenlow-codec");
    CommandPoint point;
    encodeInFolder(codec, settings, source, quality, folder, point);
    return point.codedBytes;
}

Bytes commandCodedFile(const CommandCodec& codec, const CodecSettings& settings, const QImage& source, int quality) {
    const PrivateFolder folder("brenlow-codec");
    CommandPoint point;
    encodeInFolder(codec, settings, source, quality, folder, point);
    return readWholeFile(codedFileIn(folder, codec));
}

QImage commandDecodedPicture(const CommandCodec& codec, const CodecSettings& settings,
                             std::span<const std::uint8_t> file, int quality) {
    const PrivateFolder folder("brenlow-codec");
    writeFileAtomically(codedFileIn(folder, codec), file);
    const ChildOutcome decoding = decodeInFolder(codec, settings, quality, folder);
    return decodedPicture(codec, quality, decodedFileIn(folder, codec), decoding.stderrTail);
}

CommandPoint runCommandCodec(const CommandCodec& codec, const CodecSettings& settings, const QImage& source,
                             int quality, const CodedFileVisit& visitCodedFile) {
    const PrivateFolder folder("brenlow-codec");
    CommandPoint point;
    encodeInFolder(codec, settings, source, quality, folder, point);
    if (visitCodedFile) visitCodedFile(codedFileIn(folder, codec));
    const ChildOutcome decoding = decodeInFolder(codec, settings, quality, folder);
    point.decode = timeOf(decoding);
    point.decoded =
        decodedPicture(codec, quality, decodedFileIn(folder, codec), source.size(), decoding.stderrTail);
    return point;
}

}  // namespace brenlow

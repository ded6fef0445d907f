#pragma once

#include <QImage>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "catalogue/command_codec.h"
#include "io/file_io.h"

namespace brenlow {

// The time one call of a codec's program took: its wall time and the processor time it and the
// children it waited for spent (user + system).
struct CallTime {
    double wallSeconds = 0;
    double cpuSeconds = 0;
};

// One rate point of a command codec.
struct CommandPoint {
    std::uint64_t codedBytes = 0;  // the coded file's size: the rate
    QImage decoded;                // 24-bit, the source's size
    CallTime encode;
    CallTime decode;
};

// Given the coded file's path while it is there, to take what it needs of it.
using CodedFileVisit = std::function<void(const std::string& codedPath)>;

// Codes `source` at `quality` with the codec's encoder and decodes the result with its decoder,
// each without a shell and within the codec's time limit, in a private temporary folder removed
// afterwards, on failure too. `settings` are resolved (every declared key). Throws Error naming
// the codec and the quality, with the last lines the program wrote on stderr, when a call cannot
// start, exits other than 0, is killed or runs past its limit, or when the coded file or the
// decoded picture is missing, unreadable or (the picture) not of the source's size. The caller
// adds the picture's name. `visitCodedFile`, when given, is called once the encoder has made
// the coded file; its exceptions pass through.
CommandPoint runCommandCodec(const CommandCodec& codec, const CodecSettings& settings, const QImage& source,
                             int quality, const CodedFileVisit& visitCodedFile = {});

// The size of the file the codec's encoder writes for `source` at `quality`, the encoder run alone
// as runCommandCodec runs it; throws Error as it does.
std::uint64_t commandCodedBytes(const CommandCodec& codec, const CodecSettings& settings, const QImage& source,
                                int quality);

// The file the codec's encoder writes for `source` at `quality`, the encoder run alone as
// runCommandCodec runs it; throws Error as it does.
Bytes commandCodedFile(const CommandCodec& codec, const CodecSettings& settings, const QImage& source, int quality);

// The picture the codec's decoder makes of a coded file, as runCommandCodec runs it on its
// encoder's file (the quality and settings are its commands' placeholders). Throws Error as it
// does, but takes a picture of any size.
QImage commandDecodedPicture(const CommandCodec& codec, const CodecSettings& settings,
                             std::span<const std::uint8_t> file, int quality);

}  // namespace brenlow

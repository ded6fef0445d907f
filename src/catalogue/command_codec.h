#pragma once

#include <QByteArray>
#include <string>
#include <vector>

#include "anchors/anchor_codec.h"
#include "codecs/codec_settings.h"

namespace brenlow {

// A codec that is somebody else's programs: how to run its encoder and decoder, read from a
// description file. Nothing of it is compiled into Brenlow.
struct CommandCodec {
    std::string name;         // "webp-m6": as the command line and the curves name it
    std::string title;        // as menus and reports name it; the name when the file gives none
    std::string file;         // the description file it was read from
    std::vector<std::string> encode;  // argument arrays, program first, with {input}, {output},
    std::vector<std::string> decode;  // {quality} and {KEY} of each setting in them
    std::string pictureFormat;        // "png", "ppm" or "bmp": what the encoder reads, the decoder writes
    std::string extension;            // ".webp": of the coded file, with its dot
    QualityRange qualities;
    std::vector<SettingDescription> settings;
    double timeLimitSeconds = 0;  // per call, encoder and decoder each
    std::string version;          // what the file says of what its programs do that cannot be seen
                                  // in them (a model's training); "" when it says nothing
    std::string descriptionSha256;  // of its JSON object less title and version, key order and spacing aside
};

// The time limit of a description that gives none: long enough for a slow encoder on a large
// picture, short enough that a hung program does not hold a data set for good.
constexpr double kDefaultCommandTimeLimit = 600;

// Reads a description file: one codec (a JSON object) or several (an array of them). Keys:
// name, encode, decode, format, extension, quality {min, max}; optional title, time_limit
// (seconds), version (a text or number) and settings [{key, meaning, min, max | choices,
// default}]. Throws Error naming the file and what is wrong: a missing key, a wrong type, an
// unknown key or placeholder, a command without {input} or {output}, a default its own setting
// refuses, a name twice or one a built-in codec has.
std::vector<CommandCodec> readCommandCodecFile(const std::string& path);

// The same from the file's bytes; `fileName` is only for the messages.
std::vector<CommandCodec> parseCommandCodecs(const QByteArray& json, const std::string& fileName);

// The argument array with every placeholder replaced: {input}, {output}, {quality} and {KEY} of
// each setting from `settings` (resolved: every declared key). Placeholders may sit inside an
// argument ("-q{quality}"); any other text, braces included, stays as it is.
std::vector<std::string> substitutedArguments(const std::vector<std::string>& arguments, const std::string& input,
                                              const std::string& output, int quality, const CodecSettings& settings);

}  // namespace brenlow

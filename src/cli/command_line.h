#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>

#include "codecs/sequence_codec.h"

namespace brenlow::cli {

enum class Subcommand { Avc, Ajc, Jpeg, Decode, SequenceEncode, SequenceDecode };

// Everything a run needs, with the workbench's toolbar defaults.
struct Request {
    Subcommand subcommand = Subcommand::Avc;
    std::string file;
    std::string output;
    int quality = 80;
    int divisor = 2;
    int focus = 2;
    std::string framePrefix = kFramePrefix;
    std::string decodedFramePrefix = kDecodedFramePrefix;
    std::int32_t lastFrame = 0;
    int jobs = 1;
};

// Declares the subcommands and their options on `app`, bound to `request`. Out-of-range and
// non-numeric values are parse errors, never silent resets.
void defineCommandLine(CLI::App& app, Request& request);

}  // namespace brenlow::cli

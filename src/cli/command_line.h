#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "brenlow/codec.h"
#include "brenlow/requests.h"
#include "codecs/codec_settings.h"
#include "codecs/sequence_codec.h"

namespace brenlow {
struct CodecEntry;
}

namespace brenlow::cli {

// `code` with one of our codecs runs as that codec's own subcommand; Code is left for the anchor codecs.
enum class Subcommand {
    Avc, Ajc, Jpeg, Code, Decode, SequenceEncode, SequenceDecode, Compare, Sweep, Merge, Report, Codecs, Evaluate
};

// The codec of one of the three still commands (avc, ajc, jpeg).
StillCodec codecOf(Subcommand subcommand);

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
    bool json = false;                               // one JSON object instead of the report line
    std::string secondFile;                          // compare: the picture measured against FILE
    std::string codec;                               // code: the codec's command-line name
    CodecSettings codecSettings;                     // code: the settings given after it (NAME:KEY=VALUE)
    std::vector<std::string> codecs = SweepRequest().curves;  // sweep: curves, NAME[:KEY=VALUE]...
    std::vector<std::string> qualitiesFor;           // sweep --qualities-for: CURVE=QUALITIES
    std::vector<double> bppTargets;                  // sweep --bpp: sizes to code each picture to
    std::string anchor = "jpeg";
    bool anchorGiven = false;                        // --anchor named, so it must be a codec of the run
    std::vector<std::string> measures = measureNamesOf(SweepRequest().measures);
    std::vector<int> qualities = SweepRequest().qualities;
    std::vector<std::string> files;     // still commands and sweep: pictures (sweep: folders and patterns
                                        // too); merge: result folders
    int sweepJobs = 0;                  // items coded at a time; 0: one per core
    int timingRuns = 1;                 // sweep --timing-runs: codings and decodings of each point timed
    std::string resultFolder;           // sweep --out
    std::vector<std::string> remakeCurves;  // sweep --remake, repeated
    int shard = 1;                      // sweep --shard I/N
    int shardCount = 1;
    bool keepDecoded = false;           // sweep --keep-decoded
    std::string aggregateCsvPath;       // --aggregate-csv
    bool quiet = false;                 // no progress, notes nor tables on stderr
    std::vector<std::string> importFiles;  // --import: published curves compared with the anchor
    std::string htmlPath;               // report --html
    std::string figuresFolder;          // report --figures: one file per measure
    std::string figureFormat = "pdf";   // report --format
    std::vector<std::string> figureMeasures;  // report --measures: keys; empty: those of the delta rates
    std::string figureSpread = "none";  // report --spread: none, sd or ci95
    std::string figureWidth = "column"; // report --width: column or page
    std::string referenceFolder;        // evaluate --reference
    std::string decodedFolder;          // evaluate --decoded
    std::string evaluatedName;          // evaluate --name
    std::vector<std::string> codecFiles;  // --codec-file: codecs described by commands, added to the registry
    std::string typed;                  // the whole command line, as typedCommandLine gives it
};

// What a command prints on stdout, and how many of its data set's items could not be made (the
// tool then exits with status 3, "finished with failed items").
struct CommandOutput {
    std::string text;
    std::size_t failedItems = 0;
    // Printed after `text` a piece at a time, each handed to `print`: a table too large to build whole.
    std::function<void(const std::function<void(const std::string& piece)>& print)> pieces;
};

// Declares the subcommands and their options on `app`, bound to `request`. Out-of-range and
// non-numeric values are parse errors, never silent resets.
void defineCommandLine(CLI::App& app, Request& request);

// Writes the codecs this build has into the help of the options that name them. Only for help:
// listing the codecs opens the library codecs' modules.
void describeCodecOptions(CLI::App& app);

// The command line as a shell reads it back: "brenlow-cli" and each argument, quoted where it holds
// anything but letters, digits and -_./=:,+@%.
std::string typedCommandLine(int argc, const char* const* argv);

// The codec a still run codes with: the subcommand's, or for `code` the one named. Throws Error
// for a name the registry does not hold.
const CodecEntry& requestCodecEntry(const Request& request);

// The settings a still run codes with, every declared key: those given after the codec's name,
// and for avc and ajc the divisor and focus of their options.
CodecSettings runSettings(const Request& request);

// The divisor and focus options as defaults for every curve that does not name its own.
RunDefaults requestRunDefaults(const Request& request);


}  // namespace brenlow::cli

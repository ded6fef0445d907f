#include <CLI/CLI.hpp>
#include <QtGlobal>
#include <unistd.h>
#include <clocale>
#include <exception>
#include <iostream>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "anchors/anchor_codec.h"
#include "anchors/anchor_experiment.h"
#include "brenlow/codec.h"
#include "cli/codecs_command.h"
#include "cli/command_line.h"
#include "cli/dataset_commands.h"
#include "cli/evaluate_command.h"
#include "cli/printable_text.h"
#include "cli/report_command.h"
#include "cli/research_commands.h"
#include "codecs/document.h"
#include "codecs/field_rules.h"
#include "codecs/output_files.h"
#include "codecs/sequence_codec.h"
#include "codecs/still_codecs.h"
#include "io/bitmap_file.h"
#include "io/colour_note.h"
#include "io/error.h"
#include "io/file_io.h"

namespace brenlow::cli {
namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;
constexpr int kFinishedWithFailedItems = 3;

StillParameters stillParameters(const Request& request, Command command) {
    StillParameters parameters;
    parameters.quality = static_cast<std::uint8_t>(request.quality);
    parameters.divisor = divisorFor(request.divisor, command);
    parameters.passes = focusFor(request.focus);
    return parameters;
}

std::string runStill(const Request& request) {
    const Clock::time_point started = Clock::now();
    // Only files come out of a command here, so no planes are made or kept.
    const PictureDocument document = openPictureDocument(request.file, false);
    DocumentView view = document.view();
    view.wantsDecodedPlanes = false;
    const StillParameters parameters =
        stillParameters(request, request.subcommand == Subcommand::Ajc ? Command::AjcStill : Command::AvcStill);
    const CodecEntry& codec = requestCodecEntry(request);
    const StillRunResult result = codec.coding->runStill(view, request.quality, runSettings(request));
    if (!request.json) return result.reportLine;
    return request.subcommand == Subcommand::Code ? anchorRunJsonLine(request, codec, parameters, view, result, started)
                                                  : stillRunJsonLine(request, parameters, view, result, started);
}

// What a still command writes for one picture, as its codec names its files.
std::vector<std::string> stillOutputs(const Request& request, const std::string& file) {
    const std::string decoded = outputBaseName(file) + "~.bmp";
    switch (request.subcommand) {
        case Subcommand::Avc:
            return {outputBaseName(file) + ".avc", decoded};
        case Subcommand::Ajc:
            return {outputBaseName(file) + ".ajc"};
        case Subcommand::Jpeg:
            return {experimentJpegName(file), decoded};
        default:
            return {codedFileNameFor(file, codecEntryNamed(request.codec)->extension), decoded};
    }
}

// Each picture in turn, one line each; pictures whose outputs would meet are refused before any
// is coded, so no picture's files replace another's.
void runStills(const Request& request) {
    std::vector<PlannedOutputs> plan;
    for (const std::string& file : request.files) plan.push_back({file, stillOutputs(request, file)});
    refuseClashingOutputs(plan);
    Request one = request;
    for (const std::string& file : request.files) {
        one.file = file;
        try {
            std::cout << runStill(one) << '\n' << std::flush;
        } catch (const Error&) {
            throw;
        } catch (const std::exception& failure) {
            throw Error(failureMessage(failure), file);
        }
    }
}

void runSequenceEncode(const Request& request) {
    SequenceEncodeOptions options;
    options.prefix = request.framePrefix;
    options.lastFrame = request.lastFrame;
    options.quality = static_cast<std::uint8_t>(request.quality);
    options.divisor = divisorFor(request.divisor, Command::SequenceEncoder);
    options.jobs = request.jobs;
    encodeSequence(options);
}

void runSequenceDecode(const Request& request) {
    SequenceDecodeOptions options;
    options.prefix = request.decodedFramePrefix;
    options.lastFrame = request.lastFrame;
    options.jobs = request.jobs;
    decodeSequence(options);
}

// The exit status of a command that ran to its end.
int statusOf(std::size_t failedItems) { return failedItems > 0 ? kFinishedWithFailedItems : kSuccess; }

// A table or listing holds names read from files; on a terminal their control characters are shown
// escaped, into a file or a pipe the bytes go as they are.
void printOut(const std::string& text) {
    std::cout << (::isatty(STDOUT_FILENO) == 1 ? printableLines(text) : text);
}

int printed(const CommandOutput& output) {
    printOut(output.text);
    if (output.pieces) output.pieces(printOut);
    return statusOf(output.failedItems);
}

// These read pictures on threads of their own. Compare, which reads its two side by side, readies
// the readers itself when a picture needs them: a pair of bitmaps never does.
bool readsPicturesOnOtherThreads(Subcommand subcommand) {
    return subcommand == Subcommand::Sweep || subcommand == Subcommand::Evaluate;
}

int run(const Request& request) {
    if (readsPicturesOnOtherThreads(request.subcommand)) prepareImageReaders();
    switch (request.subcommand) {
        case Subcommand::Avc:
        case Subcommand::Ajc:
        case Subcommand::Jpeg:
        case Subcommand::Code:
            runStills(request);
            break;
        case Subcommand::Decode:
            decodeStillToFile(request.file, request.output);
            break;
        case Subcommand::SequenceEncode:
            runSequenceEncode(request);
            break;
        case Subcommand::SequenceDecode:
            runSequenceDecode(request);
            break;
        case Subcommand::Compare:
            std::cout << runCompareCommand(request, std::cerr) << '\n';
            break;
        case Subcommand::Sweep:
            return printed(runSweepCommand(request, std::cerr));
        case Subcommand::Merge:
            return printed(runMergeCommand(request, std::cerr));
        case Subcommand::Evaluate:
            return printed(runEvaluateCommand(request, std::cerr));
        case Subcommand::Report:
            return statusOf(runReportCommand(request));
        case Subcommand::Codecs:
            printOut(codecsListing(request.json));
            break;
    }
    return kSuccess;
}

std::string versionText() {
    std::string text = "brenlow-cli " + programVersion();
    for (const std::string& line : buildDetailLines()) text += "\n" + line;
    return text;
}

// Notes come from the threads that read pictures: one whole line at a time.
void printNote(const std::string& note) { std::cerr << note + '\n' << std::flush; }

int parseAndRun(int argc, char** argv) {
    CLI::App app{"Brenlow: lossy still-image compression experiments on files", "brenlow-cli"};
    Request request;
    defineCommandLine(app, request);
    app.set_version_flag("-V,--version", versionText, "print the version, the commit and the libraries' versions");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        describeCodecOptions(app);
        return app.exit(help);
    } catch (const CLI::CallForVersion& version) {
        return app.exit(version);
    } catch (const CLI::ParseError& error) {
        std::cerr << "brenlow-cli: " << printableLines(error.what()) << " (see brenlow-cli --help)\n";
        return kUsage;
    }
    request.typed = typedCommandLine(argc, argv);
    if (!request.quiet) setPictureNoteHandler(printNote);
    try {
        return run(request);
    } catch (const UsageError& error) {
        std::cerr << "brenlow-cli: " << printableLines(error.what()) << " (see brenlow-cli --help)\n";
        return kUsage;
    } catch (const std::exception& error) {
        std::cerr << printableLines(failureMessage(error)) << '\n';
        return kFailure;
    }
}

}  // namespace
}  // namespace brenlow::cli

namespace {

// Qt and the image libraries under it report on stderr what the tool already reports in its own
// words, or nothing a user can act on (a TIFF reader's directory warnings): only its own messages
// reach stderr.
void keepLibraryNoiseOffStderr(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::cerr << brenlow::cli::printableLines(message.toStdString()) << '\n';
}

}  // namespace

int main(int argc, char** argv) {
#if defined(__GLIBC__)
    // Every thread allocates from the one main heap. A thread's heap of its own holds at most 64 MB and
    // is given back to the system as soon as it empties, so Butteraugli and the JPEG XL encoder, which
    // take and free tens of megabytes at every point, had their memory faulted in anew page by page
    // at each point; the main heap keeps what the measures' memory keeper asks it to keep.
    mallopt(M_ARENA_MAX, 1);
#endif
    qInstallMessageHandler(keepLibraryNoiseOffStderr);
    // The report line's ratios use the user's decimal separator, as the workbench's do.
    std::setlocale(LC_ALL, "");
    return brenlow::cli::parseAndRun(argc, argv);
}

#include <CLI/CLI.hpp>
#include <clocale>
#include <exception>
#include <iostream>

#include "cli/command_line.h"
#include "codecs/document.h"
#include "codecs/field_rules.h"
#include "codecs/sequence_codec.h"
#include "codecs/still_codecs.h"

namespace brenlow::cli {
namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;

StillParameters stillParameters(const Request& request, Command command) {
    StillParameters parameters;
    parameters.quality = static_cast<std::uint8_t>(request.quality);
    parameters.divisor = divisorFor(request.divisor, command);
    parameters.passes = focusFor(request.focus);
    return parameters;
}

std::string runStill(const Request& request) {
    // Only files come out of a command here, so no planes are made or kept.
    const PictureDocument document = openPictureDocument(request.file, false);
    DocumentView view = document.view();
    view.wantsDecodedPlanes = false;
    switch (request.subcommand) {
        case Subcommand::Avc:
            return encodeAvcStill(view, stillParameters(request, Command::AvcStill)).reportLine;
        case Subcommand::Ajc:
            return encodeAjcStill(view, stillParameters(request, Command::AjcStill)).reportLine;
        default:
            return runJpegExperiment(view, static_cast<std::uint8_t>(request.quality)).reportLine;
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

void run(const Request& request) {
    switch (request.subcommand) {
        case Subcommand::Avc:
        case Subcommand::Ajc:
        case Subcommand::Jpeg:
            std::cout << runStill(request) << '\n';
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
    }
}

int parseAndRun(int argc, char** argv) {
    CLI::App app{"Brenlow: lossy still-image compression experiments on files", "brenlow-cli"};
    Request request;
    defineCommandLine(app, request);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        std::cerr << "brenlow-cli: " << error.what() << " (see brenlow-cli --help)\n";
        return kUsage;
    }
    try {
        run(request);
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return kFailure;
    }
    return kSuccess;
}

}  // namespace
}  // namespace brenlow::cli

int main(int argc, char** argv) {
    // The report line's ratios use the user's decimal separator, as the workbench's do.
    std::setlocale(LC_ALL, "");
    return brenlow::cli::parseAndRun(argc, argv);
}

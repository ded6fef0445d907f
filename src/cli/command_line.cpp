#include "cli/command_line.h"

#include <algorithm>
#include <cstdlib>
#include <charconv>
#include <cctype>
#include <climits>
#include <limits>
#include <optional>

#include "anchors/anchor_codec.h"
#include "brenlow/codec.h"
#include "brenlow/measures.h"
#include "brenlow/requests.h"
#include "brenlow/session.h"
#include "brenlow/studies.h"
#include "brenlow/tables.h"
#include "io/error.h"
#include "io/file_io.h"

namespace brenlow::cli {
namespace {

constexpr int kMaxJobs = 64;
constexpr int kMaxFocus = 1000;
constexpr int kMaxShards = 100000;

// Reads a whole option value as a plain decimal number: digits with an optional minus sign and
// leading zeros. CLI11's own conversion would take "010" as octal and "0x10" as hex.
std::optional<long long> decimalValue(const std::string& text) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (stop != end || error == std::errc::invalid_argument) return std::nullopt;
    if (error == std::errc::result_out_of_range) return text.front() == '-' ? LLONG_MIN : LLONG_MAX;
    return value;
}

std::string decimalProblem(const std::string& text, long long lowest, long long highest) {
    const std::optional<long long> value = decimalValue(text);
    if (!value) return "\"" + text + "\" is not a decimal number";
    if (*value < lowest || *value > highest) {
        return "\"" + text + "\" is not between " + std::to_string(lowest) + " and " + std::to_string(highest);
    }
    return {};
}

// Every integer option and argument goes through here, so all read numbers alike and a bad value
// is a usage error naming the option and its range.
template <typename Integer>
CLI::Option* addDecimal(CLI::App& command, const std::string& names, Integer& target, long long lowest,
                        long long highest, const std::string& description) {
    return command
        .add_option_function<std::string>(
            names, [&target](const std::string& text) { target = static_cast<Integer>(*decimalValue(text)); },
            description)
        ->type_name("INT")
        ->check([lowest, highest](const std::string& text) { return decimalProblem(text, lowest, highest); });
}

CLI::App* addSubcommand(CLI::App& app, Request& request, const std::string& name, const std::string& description,
                        Subcommand subcommand) {
    CLI::App* command = app.add_subcommand(name, description);
    command->callback([&request, subcommand] { request.subcommand = subcommand; });
    return command;
}

void addQuality(CLI::App& command, Request& request, int lowest) {
    addDecimal(command, "-q,--quality", request.quality, lowest, 100, "JPEG quality (default 80)");
}

void addDivisor(CLI::App& command, Request& request, const std::string& whenZero) {
    addDecimal(command, "--divisor", request.divisor, 0, 9,
               "samples are divided by N + 0.5; " + whenZero + " (default 2)");
}

void addPicture(CLI::App& command, Request& request) {
    command
        .add_option("FILE", request.files,
                    "pictures, coded one after another: a bitmap, or a JPEG file when the name contains .jpg")
        ->required();
}

void addFrames(CLI::App& command, Request& request, std::string& prefix) {
    command.add_option("--prefix", prefix, "frame path prefix (default " + prefix + ")");
    addDecimal(command, "-j,--jobs", request.jobs, 1, kMaxJobs, "frames coded at a time; the files do not depend on it");
    addDecimal(command, "LAST", request.lastFrame, 0, std::numeric_limits<std::int32_t>::max() - 1,
               "number of the last frame (frames 0..LAST; default 0)");
}

void addJson(CLI::App& command, Request& request) {
    command.add_flag("--json", request.json, "print one JSON object with every figure instead of the report line");
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

std::vector<std::string> splitAtCommas(const std::string& text) {
    std::vector<std::string> parts;
    for (const std::string_view part : splitAt(text, ',')) parts.emplace_back(part);
    return parts;
}

std::vector<double> bppTargetsOf(const std::string& text) { return parseBppTargets(text); }

// "I/N" with 1 <= I <= N.
bool shardOf(const std::string& text, int& shard, int& count) {
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos) return false;
    const std::optional<long long> i = decimalValue(text.substr(0, slash));
    const std::optional<long long> n = decimalValue(text.substr(slash + 1));
    if (!i || !n || *i < 1 || *n > kMaxShards || *i > *n) return false;
    shard = static_cast<int>(*i);
    count = static_cast<int>(*n);
    return true;
}

void addDataSetOptions(CLI::App& sweep, Request& request);

// Read as soon as it is parsed, so its codecs are in the registry when --codecs, --anchor and
// --codec are checked.
void addCodecFileOption(CLI::App& command, Request& request) {
    command
        .add_option_function<std::string>(
            "--codec-file",
            [&request](const std::string& path) {
                try {
                    Session().addCodecFile(path);
                } catch (const Error& error) {
                    throw CLI::ValidationError("--codec-file", error.what());
                }
                request.codecFiles.push_back(path);
            },
            "a JSON file describing codecs by the commands that run them (see examples/codecs); its codecs join "
            "the built ones for this run; repeatable")
        ->type_name("FILE")
        ->allow_extra_args(false)
        ->trigger_on_parse();
}

std::string slowMeasureNames() {
    std::string names;
    for (const OptionalMeasure& measure : optionalMeasures()) names += (names.empty() ? "" : ", ") + std::string(measure.name);
    return names;
}

// Each quality range the build's codecs take with the codecs that take it, as their registry entries
// give them: "0-100 for jpeg, webp; 1-100 for avc, ajc".
std::string qualityRangesText() {
    std::vector<std::pair<QualityRange, std::vector<std::string>>> ranges;
    for (const CodecEntry& entry : codecRegistry()) {
        const auto range = std::find_if(ranges.begin(), ranges.end(), [&](const auto& each) {
            return each.first.lowest == entry.qualities.lowest && each.first.highest == entry.qualities.highest;
        });
        if (range == ranges.end())
            ranges.push_back({entry.qualities, {entry.name}});
        else
            range->second.push_back(entry.name);
    }
    std::string text;
    for (const auto& [range, codecs] : ranges)
        text += (text.empty() ? "" : "; ") + std::to_string(range.lowest) + "-" + std::to_string(range.highest) +
                " for " + joined(codecs);
    return text;
}

// What the help of an option that names the codecs says of them until help is shown: naming them
// would open the library codecs' modules at every start.
constexpr const char* kCodecsListed = "those `codecs` lists";

std::string sweepCodecsHelp(const std::string& codecs) {
    return "curves to sweep, each a codec of " + codecs +
           " with settings, NAME[:KEY=VALUE]...[:label=NAME] (`codecs` lists them); the same codec at other settings "
           "is another curve (default jpeg,avc,ajc)";
}

std::string qualitiesHelp(const std::string& ranges) {
    return "FROM:TO:STEP or a list such as 25,50,75, each 1 to 100 and within the range of each codec it is given "
           "to: " + ranges + "; for a codec described by commands, its file's (default 10:90:10)";
}

std::string codecHelp(const std::string& codecs) {
    return "NAME[:KEY=VALUE]..., NAME one of " + codecs + " (settings: brenlow-cli codecs)";
}

std::string commaList(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

std::vector<std::string> allSlowMeasureNames() {
    std::vector<std::string> names;
    for (const OptionalMeasure& measure : optionalMeasures()) names.emplace_back(measure.name);
    return names;
}

void addMeasuresOption(CLI::App& command, Request& request) {
    command
        .add_option_function<std::string>(
            "--measures", [&request](const std::string& text) { request.measures = splitAtCommas(text); },
            "slower measures to take besides PSNR and SSIM: a list of " + slowMeasureNames() +
                ", or none (default " + commaList(measureNamesOf(SweepRequest().measures)) + ")")
        ->check([](const std::string& text) {
            try {
                measureChoiceNamed(splitAtCommas(text));
            } catch (const UsageError& error) {
                return std::string(error.what());
            }
            return std::string();
        });
}


// A curve named twice would repeat its points; an anchor the run lacks would leave every delta out.
void checkSweepCodecs(const Request& request) {
    std::vector<CodecCurve> curves;
    try {
        curves = curvesNamed(request.codecs, requestRunDefaults(request));
    } catch (const Error& error) {
        throw CLI::ValidationError("--codecs", error.what());
    }
    try {
        withOwnQualities(curves, request.qualitiesFor);
    } catch (const Error& error) {
        throw CLI::ValidationError("--qualities-for", error.what());
    }
    if (request.anchorGiven && !curveMatching(request.anchor, curves, requestRunDefaults(request)))
        throw CLI::ValidationError("--anchor", "\"" + request.anchor + "\" is not one of the run's codecs: " +
                                                   curveNamesText(curves));
}

void defineSweep(CLI::App& app, Request& request) {
    CLI::App* sweep = addSubcommand(app, request, "sweep",
                                    "code each picture with each codec at each quality in memory and print every "
                                    "measure; several pictures or a folder make a data set with mean curves",
                                    Subcommand::Sweep);
    sweep->add_option("--codecs", request.codecs, sweepCodecsHelp(kCodecsListed))
        ->delimiter(',')
        ->allow_extra_args(false);
    sweep->add_option("--anchor", request.anchor,
                      "curve the delta rates are taken against, by its name or codec and settings (default jpeg)");
    sweep->add_option("--qualities-for", request.qualitiesFor,
                      "a curve's own qualities, CURVE=QUALITIES as in 'jp2=5:60:5' or 'avif:speed=4=20,40,60'; "
                      "repeatable; the other curves take --qualities")
        ->type_name("CURVE=LIST")
        ->allow_extra_args(false);
    addMeasuresOption(*sweep, request);
    addCodecFileOption(*sweep, request);
    addDecimal(*sweep, "--timing-runs", request.timingRuns, 1, 100,
               "code and decode each point N times and give the median times and their spread (default 1)");
    sweep->add_option_function<std::string>(
              "--qualities", [&request](const std::string& text) { request.qualities = parseQualities(text); },
              qualitiesHelp(kCodecsListed))
        ->check(qualitiesProblem);
    sweep->add_option_function<std::string>(
              "--bpp", [&request](const std::string& text) { request.bppTargets = bppTargetsOf(text); },
              "code each picture with each curve to these sizes instead of at qualities: the highest quality whose "
              "bits per pixel are at most each target, such as 0.25,0.5,1.0")
        ->type_name("LIST")
        ->check([](const std::string& text) {
            try {
                bppTargetsOf(text);
                return std::string();
            } catch (const Error& error) {
                return std::string(error.what());
            }
        });
    addDivisor(*sweep, request, "0 gives 2.5");
    addDecimal(*sweep, "--focus", request.focus, 0, kMaxFocus, "sharpening passes of the AVC decoder (default 2)");
    sweep->add_flag("--json", request.json, "print one JSON object instead of CSV");
    addDataSetOptions(*sweep, request);
    sweep->add_option("FILE", request.files,
                      "pictures, folders of pictures or quoted patterns ('kodak/*.png'); more than one picture, or a "
                      "folder, makes a data set")
        ->required();
    sweep->callback([sweep, &request] {
        request.subcommand = Subcommand::Sweep;
        request.anchorGiven = sweep->count("--anchor") > 0;
        if (sweep->count("--bpp") > 0 && (sweep->count("--qualities") > 0 || sweep->count("--qualities-for") > 0))
            throw CLI::ValidationError("--bpp", "a sweep codes either to sizes or at qualities: leave out --qualities "
                                                "and --qualities-for");
        checkSweepCodecs(request);
        if (request.shardCount > 1 && request.resultFolder.empty())
            throw CLI::ValidationError(
                "--shard", "a shard keeps its results for the merge in a result folder: name it with --out");
        if (!request.remakeCurves.empty() && request.resultFolder.empty())
            throw CLI::ValidationError("--remake", "only a result folder's items are made again: name it with --out");
        if (request.keepDecoded && request.resultFolder.empty())
            throw CLI::ValidationError("--keep-decoded",
                                       "the decoded pictures are kept in the result folder: name it with --out");
    });
}

void addImportOption(CLI::App& command, Request& request) {
    command
        .add_option("--import", request.importFiles,
                    "another codec's published points, JSON ({\"name\", \"results\": {\"bpp\", \"psnr\", "
                    "\"ms-ssim\", ...}}) or CSV (bpp and measure columns), compared with the anchor; repeatable")
        ->type_name("FILE")
        ->allow_extra_args(false);
}

// Output options a data set's sweep and merge share.
void addDataSetOutputs(CLI::App& command, Request& request) {
    addImportOption(command, request);
    command.add_option("--aggregate-csv", request.aggregateCsvPath,
                       "write a data set's aggregate (mean bits per pixel and measures per codec and quality) as CSV");
    command.add_flag("--quiet", request.quiet, "print nothing on stderr but errors: no progress, notes nor tables");
}

void addDataSetOptions(CLI::App& sweep, Request& request) {
    addDecimal(sweep, "-j,--jobs", request.sweepJobs, 1, kMaxJobs,
               "pictures-with-a-codec (of one picture, its points) coded at a time, each on a thread (default: one "
               "per core); the output does not depend on it");
    sweep.add_option("--out", request.resultFolder,
                     "keep one result file per picture and codec in DIR; a rerun takes those made alike and makes "
                     "the rest")
        ->type_name("DIR");
    sweep.add_option("--remake", request.remakeCurves,
                     "make the items of CURVE again, by its name or codec and settings, though DIR holds them as they "
                     "were made (they are replaced, no file is deleted); repeatable")
        ->type_name("CURVE")
        ->allow_extra_args(false);
    sweep.add_option_function<std::string>(
             "--shard", [&request](const std::string& text) { shardOf(text, request.shard, request.shardCount); },
             "run only part I of N of the data set's items (needs --out; then merge the folders)")
        ->type_name("I/N")
        ->check([](const std::string& text) {
            int shard = 0, count = 0;
            return shardOf(text, shard, count) ? std::string()
                                               : std::string("--shard must be I/N with 1 <= I <= N <= 100000");
        });
    sweep.add_flag("--keep-decoded", request.keepDecoded,
                   "keep every point's decoded picture, whatever its codec, as a lossless PNG in the result folder "
                   "(needs --out)");
    addDataSetOutputs(sweep, request);
}

// A name a built codec or a described one has would read back as that codec.
void defineEvaluate(CLI::App& app, Request& request) {
    CLI::App* evaluate = addSubcommand(
        app, request, "evaluate",
        "measure a codec that ran elsewhere from its decoded pictures, one subfolder of DIR per point, and print "
        "(and with --out keep) its figures as a data set's sweep does",
        Subcommand::Evaluate);
    evaluate->add_option("--reference", request.referenceFolder, "the folder of the reference pictures")
        ->type_name("DIR")
        ->required();
    evaluate->add_option("--decoded", request.decodedFolder,
                         "one subfolder per point named by its quality or lambda, each with a decoded picture per "
                         "reference picture (same stem, .png, .ppm or .bmp) and the coded file beside it (same stem) "
                         "or a sizes.csv of picture,bytes")
        ->type_name("DIR")
        ->required();
    evaluate->add_option("--name", request.evaluatedName, "the codec's name, as the curve is named")
        ->required()
        ->check(evaluatedNameProblem);
    evaluate->add_option("--out", request.resultFolder,
                         "keep the results in DIR as sweep --out does, for merge with other runs and report")
        ->type_name("DIR");
    addMeasuresOption(*evaluate, request);
    evaluate->get_option("--measures")->description("slower measures to take besides PSNR and SSIM: a list of " +
                                                    slowMeasureNames() + ", or none (default: all)");
    evaluate->add_flag("--json", request.json, "print one JSON object instead of CSV");
    addDataSetOutputs(*evaluate, request);
    evaluate->callback([evaluate, &request] {
        request.subcommand = Subcommand::Evaluate;
        // Every measure of ours unless --measures leaves some out.
        if (evaluate->count("--measures") == 0) request.measures = allSlowMeasureNames();
    });
}

void defineMerge(CLI::App& app, Request& request) {
    CLI::App* merge = addSubcommand(app, request, "merge",
                                    "print the data set kept in the result folders of sweep --out or its shards, as "
                                    "one sweep of the whole data set prints it",
                                    Subcommand::Merge);
    merge->add_option("--anchor", request.anchor,
                      "curve the delta rates are taken against, by its name or codec and settings (default jpeg)");
    merge->add_flag("--json", request.json, "print one JSON object instead of CSV");
    addCodecFileOption(*merge, request);
    addDataSetOutputs(*merge, request);
    merge->add_option("DIR", request.files, "result folders")->required();
    merge->callback([merge, &request] {
        request.subcommand = Subcommand::Merge;
        request.anchorGiven = merge->count("--anchor") > 0;
    });
}

std::string curveMeasureKeys() {
    std::vector<std::string> keys;
    for (CurveMeasure measure : curveMeasures()) keys.emplace_back(measureKey(measure));
    return joined(keys);
}

void addFigureOptions(CLI::App& report, Request& request) {
    report.add_option("--figures", request.figuresFolder,
                      "write one figure per measure into DIR (made if missing), named by the measure: psnr.pdf, ...")
        ->type_name("DIR");
    report.add_option("--format", request.figureFormat, "the figures' format: svg, pdf or png (default pdf)")
        ->check(CLI::IsMember({"svg", "pdf", "png"}));
    report
        .add_option_function<std::string>(
            "--measures", [&request](const std::string& text) { request.figureMeasures = splitAtCommas(text); },
            "the measures to draw, a list of " + curveMeasureKeys() +
                " (default: those the delta rates are taken on)")
        ->check([](const std::string& text) {
            for (const std::string& key : splitAtCommas(text))
                if (!curveMeasureNamed(key))
                    return "\"" + key + "\" is not a measure a figure draws; choose from " + curveMeasureKeys();
            return std::string();
        });
    report.add_option("--spread", request.figureSpread,
                      "error bars over the pictures: none, sd (one standard deviation) or ci95 (95 % confidence "
                      "interval of the mean) (default none)")
        ->check(CLI::IsMember({"none", "sd", "ci95"}));
    report.add_option("--width", request.figureWidth,
                      "the figures' width: column (3.5 inches) or page (7 inches) (default column)")
        ->check(CLI::IsMember({"column", "page"}));
}

void defineReport(CLI::App& app, Request& request) {
    CLI::App* report = addSubcommand(app, request, "report",
                                     "write the data set kept in result folders as one self-contained HTML page with "
                                     "its curves and delta rates, or as figures for a paper, or both",
                                     Subcommand::Report);
    report->add_option("--html", request.htmlPath, "the page to write")->type_name("FILE");
    addFigureOptions(*report, request);
    report->add_option("--anchor", request.anchor,
                       "curve the delta rates are taken against, by its name or codec and settings (default jpeg)");
    addImportOption(*report, request);
    addCodecFileOption(*report, request);
    report->add_option("DIR", request.files, "result folders of sweep --out or its shards")->required();
    report->callback([report, &request] {
        request.subcommand = Subcommand::Report;
        request.anchorGiven = report->count("--anchor") > 0;
        if (request.htmlPath.empty() && request.figuresFolder.empty())
            throw CLI::ValidationError("report", "name what to write: --html FILE, --figures DIR, or both");
        for (const char* option : {"--format", "--measures", "--spread", "--width"})
            if (report->count(option) > 0 && request.figuresFolder.empty())
                throw CLI::ValidationError(option, "it shapes the figures, which only --figures DIR writes");
    });
}

// Each codec's qualities as the registry gives them; the name was checked against it.
QualityRange qualitiesOf(const std::string& codec) { return codecEntryNamed(codec)->qualities; }

// Runs once the options are read, when the codec and its quality range are both known; our own
// codecs then run as their subcommands, so that `code --codec avc` is `avc`.
// A setting of avc or ajc given both ways is refused; given once, the option carries it.
void takeOwnSetting(const CLI::App& code, Request& request, const std::string& key, int& option) {
    const auto given = request.codecSettings.find(key);
    if (given == request.codecSettings.end()) return;
    if (code.count("--" + key) > 0) {
        throw CLI::ValidationError("--" + key, "the " + key + " is given twice, as --" + key + " and in --codec");
    }
    option = static_cast<int>(*decimalValue(given->second));
    request.codecSettings.erase(given);
}

void chooseCodedCommand(const CLI::App& code, Request& request) {
    try {
        const CodecChoice choice = checkedCodecChoice(request.codec);
        request.codec = choice.codec;
        request.codecSettings = choice.settings;
    } catch (const Error& error) {
        throw CLI::ValidationError("--codec", error.what());
    }
    const QualityRange range = qualitiesOf(request.codec);
    if (request.quality < range.lowest || request.quality > range.highest) {
        throw CLI::ValidationError("--quality", request.codec + " takes qualities between " +
                                                    std::to_string(range.lowest) + " and " + std::to_string(range.highest));
    }
    const bool ours = request.codec == "jpeg" || request.codec == "avc" || request.codec == "ajc";
    if (code.count("--divisor") > 0 && (!ours || request.codec == "jpeg")) {
        throw CLI::ValidationError("--divisor", "only avc and ajc take a divisor");
    }
    if (code.count("--focus") > 0 && request.codec != "avc") {
        throw CLI::ValidationError("--focus", "only avc takes a focus");
    }
    takeOwnSetting(code, request, "divisor", request.divisor);
    takeOwnSetting(code, request, "focus", request.focus);
    request.subcommand = request.codec == "avc"    ? Subcommand::Avc
                         : request.codec == "ajc"  ? Subcommand::Ajc
                         : request.codec == "jpeg" ? Subcommand::Jpeg
                                                   : Subcommand::Code;
}

void defineCode(CLI::App& app, Request& request) {
    CLI::App* code = app.add_subcommand(
        "code", "code FILE with any codec into base + its extension and decode it to base~.bmp; "
                "jpeg, avc and ajc run as their own commands");
    code->callback([code, &request] { chooseCodedCommand(*code, request); });
    code->add_option("--codec", request.codec, codecHelp(kCodecsListed))->required();
    addDecimal(*code, "-q,--quality", request.quality, 0, 100, "quality within the codec's range (default 80)");
    addDivisor(*code, request, "avc and ajc only; 0 gives 2.5");
    addDecimal(*code, "--focus", request.focus, 0, kMaxFocus, "sharpening passes of the avc decoder (default 2)");
    addJson(*code, request);
    addCodecFileOption(*code, request);
    addPicture(*code, request);
}

std::string requireCodedStill(const std::string& name) {
    return hasMarker(name, ".avc") || hasMarker(name, ".ajc") ? std::string() : "FILE must name an .avc or .ajc file";
}

}  // namespace

StillCodec codecOf(Subcommand subcommand) {
    switch (subcommand) {
        case Subcommand::Avc:
            return StillCodec::Avc;
        case Subcommand::Ajc:
            return StillCodec::Ajc;
        default:
            return StillCodec::Jpeg;
    }
}

std::string typedCommandLine(int argc, const char* const* argv) {
    std::string line = "brenlow-cli";
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const bool plain = !argument.empty() && std::all_of(argument.begin(), argument.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) ||
                   std::string_view("-_./=:,+@%").find(c) != std::string_view::npos;
        });
        line += ' ';
        if (plain) {
            line += argument;
            continue;
        }
        line += '\'';
        for (const char c : argument) line += c == '\'' ? std::string("'\\''") : std::string(1, c);
        line += '\'';
    }
    return line;
}

void defineCommandLine(CLI::App& app, Request& request) {
    app.require_subcommand(1, 1);

    CLI::App* avc = addSubcommand(app, request, "avc", "code FILE into base.avc and decode it to base~.bmp",
                                  Subcommand::Avc);
    addQuality(*avc, request, 1);
    addDivisor(*avc, request, "0 gives 2.5");
    addDecimal(*avc, "--focus", request.focus, 0, kMaxFocus, "sharpening passes of the decoder (default 2)");
    addJson(*avc, request);
    addPicture(*avc, request);

    CLI::App* ajc = addSubcommand(app, request, "ajc", "code FILE at full size into base.ajc", Subcommand::Ajc);
    addQuality(*ajc, request, 1);
    addDivisor(*ajc, request, "0 gives 2.5");
    addJson(*ajc, request);
    addPicture(*ajc, request);

    CLI::App* jpeg = addSubcommand(app, request, "jpeg",
                                   "code FILE as base.jpg (base~.jpg for a .jpg FILE) and decode it to base~.bmp",
                                   Subcommand::Jpeg);
    addQuality(*jpeg, request, 0);
    addJson(*jpeg, request);
    addPicture(*jpeg, request);

    defineCode(app, request);

    CLI::App* decode = addSubcommand(app, request, "decode", "decode an .avc or .ajc still into a bitmap",
                                     Subcommand::Decode);
    decode->add_option("FILE", request.file, "the coded still")->required()->check(requireCodedStill, "CODED");
    decode->add_option("-o,--output", request.output, "bitmap to write (default base~.bmp)");

    CLI::App* sequenceEncode = addSubcommand(app, request, "seq-encode",
                                             "code PREFIX0.bmp .. PREFIXLAST.bmp into PREFIXi.avc",
                                             Subcommand::SequenceEncode);
    addQuality(*sequenceEncode, request, 0);
    addDivisor(*sequenceEncode, request, "0 gives 0.5");
    addFrames(*sequenceEncode, request, request.framePrefix);

    CLI::App* sequenceDecode = addSubcommand(app, request, "seq-decode",
                                             "decode PREFIXi.avc into PREFIXiiiiii.bmp for frames 0..LAST",
                                             Subcommand::SequenceDecode);
    addFrames(*sequenceDecode, request, request.decodedFramePrefix);

    CLI::App* compare = addSubcommand(app, request, "compare", "print the measures of picture B against picture A",
                                      Subcommand::Compare);
    compare->add_option("A", request.file, "the reference picture")->required();
    compare->add_option("B", request.secondFile, "the picture measured")->required();
    compare->add_flag("--json", request.json, "print one JSON object");
    addMeasuresOption(*compare, request);

    CLI::App* codecs = addSubcommand(app, request, "codecs",
                                     "list every codec with its qualities, settings and library", Subcommand::Codecs);
    codecs->add_flag("--json", request.json, "print one JSON object");
    addCodecFileOption(*codecs, request);

    defineSweep(app, request);
    defineMerge(app, request);
    defineEvaluate(app, request);
    defineReport(app, request);
}

void describeCodecOptions(CLI::App& app) {
    CLI::App* sweep = app.get_subcommand("sweep");
    sweep->get_option("--codecs")->description(sweepCodecsHelp(joined(availableCodecs())));
    sweep->get_option("--qualities")->description(qualitiesHelp(qualityRangesText()));
    app.get_subcommand("code")->get_option("--codec")->description(codecHelp(joined(availableCodecs())));
}

const CodecEntry& requestCodecEntry(const Request& request) {
    return request.subcommand == Subcommand::Code ? knownCodecEntry(request.codec)
                                                  : codecEntryOf(codecOf(request.subcommand));
}

CodecSettings runSettings(const Request& request) {
    const CodecEntry& entry = requestCodecEntry(request);
    const StillCodec codec = entry.codec;
    CodecSettings given = request.codecSettings;
    if (codec == StillCodec::Avc || codec == StillCodec::Ajc) given["divisor"] = std::to_string(request.divisor);
    if (codec == StillCodec::Avc) given["focus"] = std::to_string(request.focus);
    return resolvedSettings(given, entry.settings);
}

RunDefaults requestRunDefaults(const Request& request) { return runDefaultsOf(request.divisor, request.focus); }

}  // namespace brenlow::cli

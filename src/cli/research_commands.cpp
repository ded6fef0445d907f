#include "cli/research_commands.h"

#include <cmath>

#include "cli/json_output.h"
#include "research/sweep.h"
#include "research/sweep_report.h"
#include "research/measures.h"

namespace brenlow::cli {
namespace {

double secondsSince(Clock::time_point started) {
    return std::chrono::duration<double>(Clock::now() - started).count();
}

std::string measuresLine(const PictureMeasures& m) {
    return "PSNR_R=" + formatMeasure(m.psnrRed, 3) + "; PSNR_G=" + formatMeasure(m.psnrGreen, 3) +
           "; PSNR_B=" + formatMeasure(m.psnrBlue, 3) + "; PSNR=" + formatMeasure(m.psnr, 3) +
           "; PSNR_Y=" + formatMeasure(m.psnrLuma, 3) + "; SSIM_Y=" + formatMeasure(m.ssimLuma, 5) +
           "; MS-SSIM_Y=" + formatMeasure(m.msSsimLuma, 5) + "; MS-SSIM_Y_dB=" + formatMeasure(m.msSsimLumaDb, 3) +
           "; CIEDE2000=" + formatMeasure(m.ciede2000, 4) + "; BUTTERAUGLI_MAX=" + formatMeasure(m.butteraugliMax, 4) +
           "; BUTTERAUGLI_3NORM=" + formatMeasure(m.butteraugli3Norm, 4) + ";";
}

SweepSettings sweepSettings(const Request& request) {
    SweepSettings settings;
    settings.codecs.clear();
    for (const std::string& name : request.codecs)
        if (const auto codec = codecNamed(name)) settings.codecs.push_back(*codec);
    settings.qualities = request.qualities;
    settings.divisor = divisorFor(request.divisor, Command::AvcStill);
    settings.passes = focusFor(request.focus);
    return settings;
}

std::string percentOrReason(double rate) {
    return std::isnan(rate) ? "n/a (no shared PSNR interval, or fewer than four points)" : formatMeasure(rate, 2) + " %";
}

void writeDeltaRates(const SweepOutcome& outcome, std::ostream& notes) {
    for (const DeltaRate& rate : deltaRatesAgainstJpeg(outcome)) {
        notes << "BD-rate " << codecName(rate.codec) << " against jpeg, cubic fit of log10(bits per pixel) against PSNR: "
              << percentOrReason(rate.psnr) << " on PSNR, " << percentOrReason(rate.psnrLuma) << " on PSNR_Y\n";
    }
}

}  // namespace

std::string stillRunJsonLine(const Request& request, const StillParameters& parameters, const DocumentView& document,
                             const StillRunResult& result, Clock::time_point started) {
    const QImage reference = referencePictureFor(codecOf(request.subcommand), document);
    const StillMeasures measures = measureStill(reference, result.decoded.bitmap, result.figures.codedSize);
    return jsonLine(stillRunJson(request, parameters, result, measures, secondsSince(started)));
}

std::string anchorRunJsonLine(const Request& request, const AnchorCodec& codec, const StillParameters& parameters,
                              const DocumentView& document, const StillRunResult& result, Clock::time_point started) {
    const StillMeasures measures =
        measureStill(documentFilePicture(document), result.decoded.bitmap, result.figures.codedSize);
    return jsonLine(anchorRunJson(request, codec, parameters, result, measures, secondsSince(started)));
}

std::string runCompareCommand(const Request& request) {
    const Clock::time_point started = Clock::now();
    const PictureMeasures measures =
        measurePictures(loadDocumentPicture(request.file), loadDocumentPicture(request.secondFile));
    return request.json ? jsonLine(compareJson(request, measures, secondsSince(started))) : measuresLine(measures);
}

std::string runSweepCommand(const Request& request, std::ostream& notes) {
    const Clock::time_point started = Clock::now();
    const SweepSettings settings = sweepSettings(request);
    const PictureDocument document = openPictureDocument(request.file, false);
    const SweepSource source = prepareSweep(document.view(), settings);
    const SweepOutcome outcome = runSweep(source, settings);
    if (request.json) return jsonLine(sweepJson(request, source, outcome, secondsSince(started)));
    writeDeltaRates(outcome, notes);
    return sweepCsv(outcome);
}

}  // namespace brenlow::cli

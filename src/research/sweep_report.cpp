#include "research/sweep_report.h"

#include <algorithm>

namespace brenlow {
namespace {

double measureOf(const SweepPoint& point, CurveMeasure measure) {
    switch (measure) {
        case CurveMeasure::Psnr:
            return point.measures.picture.psnr;
        case CurveMeasure::PsnrLuma:
            return point.measures.picture.psnrLuma;
        case CurveMeasure::SsimLuma:
            break;
    }
    return point.measures.picture.ssimLuma;
}

std::vector<StillCodec> codecsOf(const SweepOutcome& outcome) {
    std::vector<StillCodec> codecs;
    for (const SweepPoint& point : outcome.points)
        if (std::find(codecs.begin(), codecs.end(), point.codec) == codecs.end()) codecs.push_back(point.codec);
    return codecs;
}

std::string quoted(const std::string& text) {
    std::string field = "\"";
    for (char c : text) field += c == '"' ? std::string("\"\"") : std::string(1, c);
    return field + "\"";
}

}  // namespace

std::vector<RatePoint> curveOf(const SweepOutcome& outcome, StillCodec codec, CurveMeasure measure) {
    std::vector<RatePoint> curve;
    for (const SweepPoint& point : outcome.points)
        if (point.codec == codec) curve.push_back({point.measures.bitsPerPixel, measureOf(point, measure)});
    return curve;
}

std::vector<DeltaRate> deltaRatesAgainstJpeg(const SweepOutcome& outcome) {
    const std::vector<StillCodec> codecs = codecsOf(outcome);
    std::vector<DeltaRate> rates;
    if (std::find(codecs.begin(), codecs.end(), StillCodec::Jpeg) == codecs.end()) return rates;
    const auto psnr = curveOf(outcome, StillCodec::Jpeg, CurveMeasure::Psnr);
    const auto psnrLuma = curveOf(outcome, StillCodec::Jpeg, CurveMeasure::PsnrLuma);
    for (StillCodec codec : codecs) {
        if (codec == StillCodec::Jpeg) continue;
        rates.push_back({codec, bjontegaardDeltaRate(psnr, curveOf(outcome, codec, CurveMeasure::Psnr)),
                         bjontegaardDeltaRate(psnrLuma, curveOf(outcome, codec, CurveMeasure::PsnrLuma))});
    }
    return rates;
}

std::string sweepCsv(const SweepOutcome& outcome) {
    std::string csv =
        "codec,quality,coded_size,original_size,ratio,bits_per_pixel,psnr_r,psnr_g,psnr_b,psnr,psnr_y,ssim_y,report,"
        "ms_ssim_y,ms_ssim_y_db,ciede2000,butteraugli_max,butteraugli_3norm\r\n";
    for (const SweepPoint& point : outcome.points) {
        const PictureMeasures& m = point.measures.picture;
        csv += std::string(codecName(point.codec)) + "," + std::to_string(point.quality) + "," +
               std::to_string(point.figures.codedSize) + "," + std::to_string(point.figures.originalSize) + "," +
               formatMeasure(point.figures.compressionRatio, 5) + "," +
               formatMeasure(point.measures.bitsPerPixel, 6) + "," + formatMeasure(m.psnrRed, 4) + "," +
               formatMeasure(m.psnrGreen, 4) + "," + formatMeasure(m.psnrBlue, 4) + "," + formatMeasure(m.psnr, 4) +
               "," + formatMeasure(m.psnrLuma, 4) + "," + formatMeasure(m.ssimLuma, 6) + "," +
               quoted(point.reportLine) + "," + formatMeasure(m.msSsimLuma, 6) + "," +
               formatMeasure(m.msSsimLumaDb, 4) + "," + formatMeasure(m.ciede2000, 4) + "," +
               formatMeasure(m.butteraugliMax, 4) + "," + formatMeasure(m.butteraugli3Norm, 4) + "\r\n";
    }
    return csv;
}

}  // namespace brenlow

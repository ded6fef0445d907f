#include "experiments/dataset_tally.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "measures/measure_table.h"

namespace brenlow {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The sample standard deviation of values added one at a time, kept stable by updating the mean
// and the sum of squared distances from it as each value comes (Welford's way).
struct Spread {
    int count = 0;
    double mean = 0.0;
    double squares = 0.0;

    void add(double value) {
        ++count;
        const double step = value - mean;
        mean += step / count;
        squares += step * (value - mean);
    }
    // NaN below two values, and where a value is infinite (a PSNR of identical pictures).
    double deviation() const {
        if (count < 2 || !std::isfinite(squares)) return kNaN;
        return std::sqrt(squares / (count - 1));
    }
};

// A running sum per measure over the pictures that have it.
struct PointSums {
    int pictures = 0;
    int missed = 0;
    double bitsPerPixel = 0.0;
    std::vector<double> sums = std::vector<double>(curveMeasures().size(), 0.0);
    std::vector<int> counts = std::vector<int>(curveMeasures().size(), 0);
    std::vector<Spread> spreads = std::vector<Spread>(curveMeasures().size());
    Spread bitsPerPixelSpread;
    std::vector<double> encodeSpeeds;
    std::vector<double> decodeSpeeds;
    std::vector<double> encodeCpuSpeeds;
    std::vector<double> decodeCpuSpeeds;

    void add(const SweepPoint& point) {
        ++pictures;
        missed += point.targetMissed ? 1 : 0;
        if (point.timingRuns > 0) {
            encodeSpeeds.push_back(megapixelsPerSecond(point.megapixels, point.encodeSeconds));
            decodeSpeeds.push_back(megapixelsPerSecond(point.megapixels, point.decodeSeconds));
            addCpuSpeeds(point);
        }
        bitsPerPixel += point.measures.bitsPerPixel;
        bitsPerPixelSpread.add(point.measures.bitsPerPixel);
        for (std::size_t i = 0; i < curveMeasures().size(); ++i) {
            const double value = measureOf(point, curveMeasures()[i]);
            if (std::isnan(value)) continue;
            sums[i] += value;
            ++counts[i];
            spreads[i].add(value);
        }
    }

    // Results kept before processor seconds were recorded have none: they are left out, not taken as 0.
    void addCpuSpeeds(const SweepPoint& point) {
        if (std::isnan(point.encodeCpuSeconds) || std::isnan(point.decodeCpuSeconds)) return;
        encodeCpuSpeeds.push_back(megapixelsPerSecond(point.megapixels, point.encodeCpuSeconds));
        decodeCpuSpeeds.push_back(megapixelsPerSecond(point.megapixels, point.decodeCpuSeconds));
    }

    AggregatePoint mean(const std::string& curve, const SweepPoint& first) const {
        const bool sized = !std::isnan(first.targetBpp);
        AggregatePoint point{curve, sized ? 0 : first.quality, first.targetBpp, missed, pictures, bitsPerPixel / pictures,
                             {}, counts, {}};
        for (std::size_t i = 0; i < sums.size(); ++i) point.means.push_back(counts[i] > 0 ? sums[i] / counts[i] : kNaN);
        for (const Spread& spread : spreads) point.deviations.push_back(spread.deviation());
        point.bitsPerPixelDeviation = bitsPerPixelSpread.deviation();
        point.encodeMegapixelsPerSecond = summarise(encodeSpeeds).median;
        point.decodeMegapixelsPerSecond = summarise(decodeSpeeds).median;
        point.timedPictures = static_cast<int>(encodeSpeeds.size());
        point.encodeCpuMegapixelsPerSecond = summarise(encodeCpuSpeeds).median;
        point.decodeCpuMegapixelsPerSecond = summarise(decodeCpuSpeeds).median;
        point.cpuTimedPictures = static_cast<int>(encodeCpuSpeeds.size());
        return point;
    }
};

std::vector<std::string> namesOf(const std::vector<CodecCurve>& curves) {
    std::vector<std::string> names;
    for (const CodecCurve& curve : curves) names.push_back(curve.name);
    return names;
}

// A point coded to a size is grouped by its target, as its quality differs from picture to picture.
bool samePoint(const SweepPoint& a, const SweepPoint& b) {
    return std::isnan(a.targetBpp) ? std::isnan(b.targetBpp) && a.quality == b.quality : a.targetBpp == b.targetBpp;
}

}  // namespace

struct AggregateTally::Sums : PointSums {};

AggregateTally::AggregateTally(const std::vector<CodecCurve>& curves)
    : curves_(namesOf(curves)), byCurve_(curves.size()) {}
AggregateTally::~AggregateTally() = default;
AggregateTally::AggregateTally(AggregateTally&&) noexcept = default;
AggregateTally& AggregateTally::operator=(AggregateTally&&) noexcept = default;

void AggregateTally::add(const PictureOutcome& picture) {
    for (std::size_t curve = 0; curve < curves_.size(); ++curve) {
        auto& byPoint = byCurve_[curve];
        for (const SweepPoint& point : picture.sweep.points) {
            if (point.curve != curves_[curve]) continue;
            auto at = std::find_if(byPoint.begin(), byPoint.end(),
                                   [&](const auto& entry) { return samePoint(entry.first, point); });
            if (at == byPoint.end()) at = byPoint.insert(byPoint.end(), {point, Sums{}});
            at->second.add(point);
        }
    }
}

std::vector<AggregatePoint> AggregateTally::points() const {
    std::vector<AggregatePoint> points;
    for (std::size_t curve = 0; curve < curves_.size(); ++curve)
        for (const auto& [first, sums] : byCurve_[curve]) points.push_back(sums.mean(curves_[curve], first));
    return points;
}

PerPictureDeltaTally::PerPictureDeltaTally(const std::vector<CodecCurve>& curves, std::string anchor,
                                           std::vector<CurveMeasure> measures, bool detailed)
    : curves_(namesOf(curves)), anchor_(std::move(anchor)), measures_(std::move(measures)), detailed_(detailed) {}

void PerPictureDeltaTally::add(const PictureOutcome& picture) {
    const std::vector<DeltaRow> rows = deltaTable(
        curves_, [&](const std::string& curve, CurveMeasure measure) { return curveOf(picture.sweep, curve, measure); },
        anchor_, measures_);
    table_.resize(rows.size());
    rates_.resize(rows.size());
    qualities_.resize(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        table_[i].curve = rows[i].curve;
        table_[i].measure = rows[i].measure;
        table_[i].interpolation = rows[i].interpolation;
        if (!detailed_) {
            rates_[i].push_back(rows[i].rate.value);
            qualities_[i].push_back(rows[i].quality.value);
            continue;
        }
        table_[i].pictures.push_back(picture.picture);
        table_[i].rates.push_back(rows[i].rate);
        table_[i].qualities.push_back(rows[i].quality);
    }
}

std::vector<PerPictureDeltas> PerPictureDeltaTally::rows() const {
    std::vector<PerPictureDeltas> table = table_;
    for (std::size_t i = 0; i < table.size(); ++i) {
        PerPictureDeltas& row = table[i];
        row.rate = summarise(detailed_ ? valuesOf(row.rates) : rates_[i]);
        row.quality = summarise(detailed_ ? valuesOf(row.qualities) : qualities_[i]);
    }
    return table;
}

}  // namespace brenlow

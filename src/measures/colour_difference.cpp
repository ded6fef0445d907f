#include "measures/colour_difference.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cmath>
#include <numbers>
#include <vector>

#include "imaging/parallel.h"
#include "measures/batch_math.h"
#include "measures/linear_srgb.h"

namespace brenlow {
namespace {

constexpr double kWhiteX = 0.95047;
constexpr double kWhiteY = 1.0;
constexpr double kWhiteZ = 1.08883;
constexpr double kDegrees = 180.0 / std::numbers::pi;
constexpr double kRadians = std::numbers::pi / 180.0;

double linearOfSrgb(int code) {
    const double v = code / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

const std::array<double, 256>& linearTable() {
    static const std::array<double, 256> table = [] {
        std::array<double, 256> values{};
        for (int code = 0; code < 256; ++code) values[static_cast<std::size_t>(code)] = linearOfSrgb(code);
        return values;
    }();
    return table;
}

// Cube root of t in the range Lab needs (about 0.009 to 1.1), to within an ulp or two: a guess
// from the exponent bits, then three Halley steps, each tripling the correct digits. Faster than
// std::cbrt, which the six roots per pixel would otherwise make the bulk of the time.
double cubeRoot(double t) {
    constexpr std::uint64_t kExponentBias = 715094163;  // (1023 - 1023 / 3 - 0.033) * 2^20
    const std::uint64_t high = (std::bit_cast<std::uint64_t>(t) >> 32) / 3 + kExponentBias;
    double y = std::bit_cast<double>(high << 32);
    for (int step = 0; step < 3; ++step) {
        const double cube = y * y * y;
        y *= (cube + 2.0 * t) / (2.0 * cube + t);
    }
    return y;
}

double labCompanding(double t) {
    constexpr double kEdge = 6.0 / 29.0;
    return t > kEdge * kEdge * kEdge ? cubeRoot(t) : t / (3.0 * kEdge * kEdge) + 4.0 / 29.0;
}

Lab labOfLinear(double r, double g, double b) {
    const double x = 0.4124564 * r + 0.3575761 * g + 0.1804375 * b;
    const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
    const double z = 0.0193339 * r + 0.1191920 * g + 0.9503041 * b;
    const double fx = labCompanding(x / kWhiteX);
    const double fy = labCompanding(y / kWhiteY);
    const double fz = labCompanding(z / kWhiteZ);
    return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

double chromaOf(double a, double b) { return std::sqrt(a * a + b * b); }

double seventhPower(double v) {
    const double square = v * v;
    return square * square * square * v;
}

// sqrt(C^7 / (C^7 + 25^7)): how far a chroma is from neutral, as the a* rescaling and R_C use it.
double chromaWeight(double chroma) {
    constexpr double kTwentyFiveToTheSeventh = 6103515625.0;
    const double power = seventhPower(chroma);
    return std::sqrt(power / (power + kTwentyFiveToTheSeventh));
}

// Hue angle in degrees, 0 to 360, of the angle atan2 gave; 0 for a neutral colour.
double hueDegrees(double radians, double b, double aPrime) {
    if (b == 0.0 && aPrime == 0.0) return 0.0;
    const double h = radians * kDegrees;
    return h < 0.0 ? h + 360.0 : h;
}

double hueDifference(double h1, double h2) {
    const double d = h2 - h1;
    if (d > 180.0) return d - 360.0;
    if (d < -180.0) return d + 360.0;
    return d;
}

double meanHue(double h1, double h2) {
    if (std::abs(h1 - h2) <= 180.0) return (h1 + h2) / 2.0;
    return h1 + h2 < 360.0 ? (h1 + h2 + 360.0) / 2.0 : (h1 + h2 - 360.0) / 2.0;
}

// T = 1 - 0.17 cos(h - 30) + 0.24 cos 2h + 0.32 cos(3h + 6) - 0.20 cos(4h - 63) from cos h and
// sin h, the multiple angles built from those: four cosines per pixel would cost more than the rest.
double hueTerm(double c1, double s1) {
    const double c2 = 2.0 * c1 * c1 - 1.0, s2 = 2.0 * s1 * c1;
    const double c3 = c1 * c2 - s1 * s2, s3 = s1 * c2 + c1 * s2;
    const double c4 = 2.0 * c2 * c2 - 1.0, s4 = 2.0 * s2 * c2;
    constexpr double kCos30 = 0.86602540378443865, kSin30 = 0.5;
    constexpr double kCos6 = 0.99452189536827333, kSin6 = 0.10452846326765347;
    constexpr double kCos63 = 0.45399049973954675, kSin63 = 0.89100652418836786;
    return 1.0 - 0.17 * (c1 * kCos30 + s1 * kSin30) + 0.24 * c2 + 0.32 * (c3 * kCos6 - s3 * kSin6) -
           0.20 * (c4 * kCos63 + s4 * kSin63);
}

// CIEDE2000 of many pairs at once: the formula in steps, each step's sines, cosines, arctangents
// and exponentials of all pairs taken together by the batch functions, which do several at a time.
// A pair's difference does not depend on the batch it is in.
class Ciede2000Batch {
public:
    void clear() { firsts_.clear(), seconds_.clear(); }

    void add(const Lab& first, const Lab& second) { firsts_.push_back(first), seconds_.push_back(second); }

    std::size_t size() const { return firsts_.size(); }

    // The differences of the pairs added, in their order.
    const std::vector<double>& differences() {
        const std::size_t n = size();
        resize(n);
        for (std::size_t i = 0; i < n; ++i) rescaleChroma(i);
        batch_math::arctangents(hueY_.data(), hueX_.data(), hueRadians_.data(), 2 * n);
        for (std::size_t i = 0; i < n; ++i) meanTerms(i);
        batch_math::sines(halfHueDifference_.data(), halfHueDifference_.data(), n);
        batch_math::cosines(meanHueRadians_.data(), meanHueCosine_.data(), n);
        batch_math::sines(meanHueRadians_.data(), meanHueRadians_.data(), n);
        batch_math::exponentials(rotationExponent_.data(), rotationExponent_.data(), n);
        for (std::size_t i = 0; i < n; ++i) rotationExponent_[i] = 2.0 * (30.0 * rotationExponent_[i]) * kRadians;
        batch_math::sines(rotationExponent_.data(), rotationExponent_.data(), n);
        for (std::size_t i = 0; i < n; ++i) finish(i);
        return differences_;
    }

private:
    void resize(std::size_t n) {
        for (std::vector<double>* values : {&c1_, &c2_, &halfHueDifference_, &meanHueRadians_, &meanHueCosine_,
                                            &rotationExponent_, &meanC_, &meanL_, &differences_})
            values->resize(n);
        for (std::vector<double>* values : {&hueY_, &hueX_, &hueRadians_}) values->resize(2 * n);
    }

    // C'1, C'2 and the arguments of the two hue angles (first pair's at 2i, second's at 2i + 1).
    void rescaleChroma(std::size_t i) {
        const Lab& first = firsts_[i];
        const Lab& second = seconds_[i];
        const double meanChroma = (chromaOf(first.a, first.b) + chromaOf(second.a, second.b)) / 2.0;
        const double aScale = 1.0 + 0.5 * (1.0 - chromaWeight(meanChroma));
        const double a1 = aScale * first.a;
        const double a2 = aScale * second.a;
        c1_[i] = chromaOf(a1, first.b);
        c2_[i] = chromaOf(a2, second.b);
        hueY_[2 * i] = first.b, hueX_[2 * i] = a1;
        hueY_[2 * i + 1] = second.b, hueX_[2 * i + 1] = a2;
    }

    // The hue difference's half angle, the mean hue in radians and the exponent of the rotation.
    void meanTerms(std::size_t i) {
        const double h1 = hueDegrees(hueRadians_[2 * i], hueY_[2 * i], hueX_[2 * i]);
        const double h2 = hueDegrees(hueRadians_[2 * i + 1], hueY_[2 * i + 1], hueX_[2 * i + 1]);
        const bool neutral = c1_[i] * c2_[i] == 0.0;
        const double deltaHue = neutral ? 0.0 : hueDifference(h1, h2);
        const double meanH = neutral ? h1 + h2 : meanHue(h1, h2);
        halfHueDifference_[i] = deltaHue * kRadians / 2.0;
        meanHueRadians_[i] = meanH * kRadians;
        rotationExponent_[i] = -((meanH - 275.0) / 25.0) * ((meanH - 275.0) / 25.0);
        meanL_[i] = (firsts_[i].lightness + seconds_[i].lightness) / 2.0;
        meanC_[i] = (c1_[i] + c2_[i]) / 2.0;
    }

    void finish(std::size_t i) {
        const double deltaL = seconds_[i].lightness - firsts_[i].lightness;
        const double deltaC = c2_[i] - c1_[i];
        const double deltaH = 2.0 * std::sqrt(c1_[i] * c2_[i]) * halfHueDifference_[i];
        const double meanL = meanL_[i];
        const double meanC = meanC_[i];
        const double lightnessOffset = (meanL - 50.0) * (meanL - 50.0);
        const double sL = 1.0 + 0.015 * lightnessOffset / std::sqrt(20.0 + lightnessOffset);
        const double sC = 1.0 + 0.045 * meanC;
        const double sH = 1.0 + 0.015 * meanC * hueTerm(meanHueCosine_[i], meanHueRadians_[i]);
        const double rT = -rotationExponent_[i] * 2.0 * chromaWeight(meanC);
        const double l = deltaL / sL;
        const double c = deltaC / sC;
        const double h = deltaH / sH;
        differences_[i] = std::sqrt(l * l + c * c + h * h + rT * c * h);
    }

    std::vector<Lab> firsts_, seconds_;
    std::vector<double> c1_, c2_, hueY_, hueX_, hueRadians_;
    // Each holds a step's argument and then, in place, the function's value of it.
    std::vector<double> halfHueDifference_, meanHueRadians_, meanHueCosine_, rotationExponent_;
    std::vector<double> meanL_, meanC_, differences_;
};

std::uint32_t colourKey(const uchar* bgr) {
    return bgr[0] | static_cast<std::uint32_t>(bgr[1]) << 8 | static_cast<std::uint32_t>(bgr[2]) << 16;
}

// A value per key, for the keys met lately, one slot per hash of the key: a photograph and its
// decoded copy repeat colours, and pairs of colours, often enough that a look-up beats the work.
// No more slots than the pixels to be met: every slot is written before the first look-up, and the
// largest tables, 768 KB the pair, cost a small picture's comparison 190 page faults a thread.
template <typename Value>
class RecentValues {
public:
    explicit RecentValues(std::size_t pixels) : bits_(slotBits(pixels)), entries_(std::size_t{1} << bits_) {}

    template <typename Make>
    const Value& valueOf(std::uint64_t key, const Make& make) {
        Entry& entry = slot(key);
        if (entry.key != key) entry = {key, make()};
        return entry.value;
    }

    // The value kept for the key, or null.
    const Value* find(std::uint64_t key) {
        const Entry& entry = slot(key);
        return entry.key == key ? &entry.value : nullptr;
    }

    void keep(std::uint64_t key, const Value& value) { slot(key) = {key, value}; }

private:
    static constexpr int kFewestBits = 6;
    static constexpr int kMostBits = 14;
    struct Entry {
        std::uint64_t key = ~std::uint64_t{0};  // no colour
        Value value{};
    };

    static int slotBits(std::size_t pixels) {
        int bits = kFewestBits;
        while (bits < kMostBits && (std::size_t{1} << bits) < pixels) ++bits;
        return bits;
    }

    Entry& slot(std::uint64_t key) {
        return entries_[static_cast<std::size_t>((key * 0x9E3779B97F4A7C15u) >> (64 - bits_))];
    }

    int bits_;
    std::vector<Entry> entries_;
};

// The sum of one row's differences: pairs met lately are looked up, the others are measured
// together as one batch; the sum is taken in the pixels' order all the same.
class RowDifferences {
public:
    // For rows of `pixels` pixels in all.
    explicit RowDifferences(std::size_t pixels) : labs_(pixels), differences_(pixels) {}

    double sum(const uchar* a, const uchar* b, int width) {
        values_.assign(static_cast<std::size_t>(width), 0.0);
        pending_.clear();
        batch_.clear();
        for (int c = 0; c < width; ++c, a += 3, b += 3) {
            if (a[0] == b[0] && a[1] == b[1] && a[2] == b[2]) continue;
            const std::uint64_t first = colourKey(a), second = colourKey(b);
            const std::uint64_t key = first | second << 24;
            if (const double* known = differences_.find(key)) {
                values_[static_cast<std::size_t>(c)] = *known;
                continue;
            }
            pending_.push_back({key, c});
            batch_.add(labOf(first, a), labOf(second, b));
        }
        if (!pending_.empty()) {
            const std::vector<double>& measured = batch_.differences();
            for (std::size_t i = 0; i < pending_.size(); ++i) {
                values_[static_cast<std::size_t>(pending_[i].column)] = measured[i];
                differences_.keep(pending_[i].key, measured[i]);
            }
        }
        double total = 0.0;
        for (double value : values_) total += value;
        return total;
    }

private:
    Lab labOf(std::uint32_t key, const uchar* bgr) {
        return labs_.valueOf(key, [&] {
            const std::array<double, 256>& linear = linearTable();
            return labOfLinear(linear[bgr[2]], linear[bgr[1]], linear[bgr[0]]);
        });
    }

    struct Pending {
        std::uint64_t key;
        int column;
    };

    RecentValues<Lab> labs_;
    RecentValues<double> differences_;
    Ciede2000Batch batch_;
    std::vector<Pending> pending_;
    std::vector<double> values_;
};

// Pictures that declare colours of their own are compared as the colours they mean: each pair of
// rows is converted to linear light first, and equal code values can be different colours.
double convertedMeanCiede2000(const CommonArea& area) {
    const LinearSrgbConversion reference(area.reference.colorSpace());
    const LinearSrgbConversion test(area.test.colorSpace());
    std::vector<double> rowSums(static_cast<std::size_t>(area.height));
    parallelRows(0, area.height, [&](int begin, int end) {
        std::vector<float> a(3 * static_cast<std::size_t>(area.width)), b(a.size());
        Ciede2000Batch batch;
        for (int r = begin; r < end; ++r) {
            reference.convertRow(area.referenceRow(r), area.width, a.data());
            test.convertRow(area.testRow(r), area.width, b.data());
            batch.clear();
            for (std::size_t i = 0; i < a.size(); i += 3)
                batch.add(labOfLinear(a[i], a[i + 1], a[i + 2]), labOfLinear(b[i], b[i + 1], b[i + 2]));
            double sum = 0.0;
            for (double difference : batch.differences()) sum += difference;
            rowSums[static_cast<std::size_t>(r)] = sum;
        }
    });
    double sum = 0.0;
    for (double rowSum : rowSums) sum += rowSum;
    return sum / (static_cast<double>(area.width) * area.height);
}

}  // namespace

Lab labOfSrgb(uchar red, uchar green, uchar blue) {
    const std::array<double, 256>& linear = linearTable();
    return labOfLinear(linear[red], linear[green], linear[blue]);
}

double ciede2000(const Lab& first, const Lab& second) {
    Ciede2000Batch batch;
    batch.add(first, second);
    return batch.differences().front();
}

double meanCiede2000(const CommonArea& area) {
    if (!declaresSrgb(area.reference.colorSpace()) || !declaresSrgb(area.test.colorSpace()))
        return convertedMeanCiede2000(area);
    std::vector<double> rowSums(static_cast<std::size_t>(area.height));
    parallelRows(0, area.height, [&](int begin, int end) {
        RowDifferences row(static_cast<std::size_t>(area.width) * static_cast<std::size_t>(end - begin));
        for (int r = begin; r < end; ++r)
            rowSums[static_cast<std::size_t>(r)] = row.sum(area.referenceRow(r), area.testRow(r), area.width);
    });
    double sum = 0.0;
    for (double rowSum : rowSums) sum += rowSum;
    return sum / (static_cast<double>(area.width) * area.height);
}

}  // namespace brenlow

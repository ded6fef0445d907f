#include "experiments/imported_curves.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>

#include "io/error.h"
#include "io/file_io.h"

namespace brenlow {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Published curves hold tens of points; anything far larger is not such a file.
constexpr std::uint64_t kMaxImportBytes = 16u << 20;

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The measure a column or results key holds, under our key or a name evaluation suites use;
// '-' and '_' are the same, case does not count.
std::optional<CurveMeasure> measureOfColumn(std::string key) {
    key = lowered(key);
    std::replace(key.begin(), key.end(), '-', '_');
    static const std::map<std::string, std::string> othersNames{
        {"psnr_rgb", "psnr"}, {"ssim", "ssim_y"}, {"ssim_db", "ssim_y_db"}, {"ms_ssim", "ms_ssim_y"}, {"ms_ssim_db", "ms_ssim_y_db"}};
    const auto other = othersNames.find(key);
    return curveMeasureNamed(other == othersNames.end() ? key : other->second);
}

bool isRateColumn(const std::string& key) {
    const std::string name = lowered(key);
    return name == "bpp" || name == "bits_per_pixel";
}

// A linear SSIM also gives its curve on the dB scale the delta rates use, unless the file has that too.
void addDecibelCurves(ImportedCurve& curve) {
    for (CurveMeasure decibels : curveMeasures()) {
        const std::optional<CurveMeasure> linear = linearOf(decibels);
        if (!linear) continue;
        const auto found = curve.curves.find(*linear);
        if (found == curve.curves.end() || curve.curves.count(decibels) > 0) continue;
        std::vector<RatePoint> converted = found->second;
        for (RatePoint& point : converted) point.quality = ssimDecibels(point.quality);
        curve.curves[decibels] = std::move(converted);
        curve.decibelsOfMeanLinear.insert(decibels);
    }
}

// No coded picture spends more than 64 bits on a pixel; a larger rate is a fault of the file, and
// would squash every other curve of a plot into its corner.
constexpr double kMaxBitsPerPixel = 64.0;

// A rate the curves can use: above 0 (its logarithm is taken), at most kMaxBitsPerPixel.
bool usableRate(double rate, const std::string& path) {
    if (rate > kMaxBitsPerPixel)
        throw Error("The curve file has a point at " + std::to_string(rate) + " bits per pixel, above " +
                        std::to_string(static_cast<int>(kMaxBitsPerPixel)),
                    path);
    return rate > 0.0;
}

// The curves of the columns: rates first, then (key, values) in the file's order. Points without a
// usable rate are left out; a file with no point left that has a measure is refused.
ImportedCurve curveOfColumns(std::string name, const std::vector<double>& rates,
                             const std::vector<std::pair<std::string, std::vector<double>>>& columns,
                             const std::string& path) {
    ImportedCurve curve{std::move(name), {}, {}};
    bool anyUsable = false;
    for (const auto& [key, values] : columns) {
        const std::optional<CurveMeasure> measure = measureOfColumn(key);
        if (!measure || curve.curves.count(*measure) > 0) continue;
        std::vector<RatePoint>& points = curve.curves[*measure];
        for (std::size_t i = 0; i < rates.size(); ++i) {
            if (!usableRate(rates[i], path)) continue;
            const ValueBounds& bounds = measure->row().bounds;
            if (!bounds.holds(values[i]))
                throw Error("The curve file's \"" + key + "\" holds " + shortestText(values[i]) + ", which no " +
                                measure->row().key + " reaches: it lies " + bounds.text(),
                            path);
            points.push_back({rates[i], values[i]});
            anyUsable = anyUsable || !std::isnan(values[i]);
        }
    }
    if (curve.curves.empty())
        throw Error("The curve file holds no measure this program knows (psnr, psnr_y, ms-ssim, ssim_y_db, "
                    "ciede2000, ...)",
                    path);
    if (!anyUsable)
        throw Error("The curve file has no usable point: none has bits per pixel above 0 and a measure", path);
    addDecibelCurves(curve);
    return curve;
}

std::string stemOf(const std::string& path) {
    return std::filesystem::path(path).stem().string();
}

std::vector<double> numbersOf(const QJsonValue& value, const std::string& key, const std::string& path) {
    if (!value.isArray()) throw Error("The curve file's \"" + key + "\" is not an array of numbers", path);
    std::vector<double> numbers;
    for (const QJsonValue& element : value.toArray()) {
        if (!element.isDouble() && !element.isNull())
            throw Error("The curve file's \"" + key + "\" holds something other than a number", path);
        numbers.push_back(element.isNull() ? kNaN : element.toDouble());
    }
    return numbers;
}

ImportedCurve jsonCurve(const QByteArray& bytes, const std::string& path) {
    QJsonParseError problem;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &problem);
    if (problem.error != QJsonParseError::NoError)
        throw Error("The curve file is not JSON (" + problem.errorString().toStdString() + " at byte " +
                        std::to_string(problem.offset) + ")",
                    path);
    const QJsonObject results = document.object()["results"].toObject();
    if (results.isEmpty()) throw Error("The curve file has no \"results\" object", path);
    std::optional<std::vector<double>> rates;
    std::vector<std::pair<std::string, std::vector<double>>> columns;
    for (auto it = results.begin(); it != results.end(); ++it) {
        const std::string key = it.key().toStdString();
        if (isRateColumn(key)) {
            rates = numbersOf(it.value(), key, path);
        } else if (measureOfColumn(key)) {
            columns.emplace_back(key, numbersOf(it.value(), key, path));
        }
    }
    if (!rates) throw Error("The curve file's results have no \"bpp\"", path);
    for (const auto& [key, values] : columns)
        if (values.size() != rates->size())
            throw Error("The curve file's \"" + key + "\" has " + std::to_string(values.size()) +
                            " values and its \"bpp\" " + std::to_string(rates->size()),
                        path);
    const QString name = document.object()["name"].toString();
    return curveOfColumns(name.isEmpty() ? stemOf(path) : name.toStdString(), *rates, columns, path);
}

// One CSV line's fields (RFC 4180 quoting, no line breaks inside a field).
std::vector<std::string> csvFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::vector<std::string> nonEmptyLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// A number as our own CSV writes it: "inf" for an infinite PSNR, "n/a" or nothing where undefined.
std::optional<double> csvNumber(const std::string& field) {
    if (field.empty() || field == "n/a") return kNaN;
    if (field == "inf") return std::numeric_limits<double>::infinity();
    // The number reader takes "-inf" and "-5" but no plus sign; a written "+" means the same.
    if (field.size() > 1 && field[0] == '+' && field[1] != '+' && field[1] != '-') return csvNumber(field.substr(1));
    double value = 0.0;
    const char* end = field.data() + field.size();
    const auto [stop, error] = std::from_chars(field.data(), end, value);
    if (error != std::errc() || stop != end) return std::nullopt;
    return value;
}

ImportedCurve csvCurve(const std::string& text, const std::string& path) {
    const std::vector<std::string> lines = nonEmptyLines(text);
    if (lines.empty()) throw Error("The curve file is empty", path);
    const std::vector<std::string> header = csvFields(lines.front());
    const auto rateColumn = std::find_if(header.begin(), header.end(), isRateColumn);
    if (rateColumn == header.end()) throw Error("The curve file has no \"bpp\" or \"bits_per_pixel\" column", path);
    if (lines.size() < 2) throw Error("The curve file has a header but no points", path);
    const auto columnNamed = [&](const char* name) {
        return std::find_if(header.begin(), header.end(), [&](const std::string& key) { return lowered(key) == name; });
    };
    // Our own aggregate CSV names each row's codec: one codec's rows make a curve named after it.
    const auto nameColumn = columnNamed("name") != header.end() ? columnNamed("name") : columnNamed("codec");
    std::vector<double> rates;
    std::vector<std::pair<std::string, std::vector<double>>> columns;
    for (const std::string& key : header)
        if (measureOfColumn(key)) columns.emplace_back(key, std::vector<double>{});
    std::string name;
    for (std::size_t row = 1; row < lines.size(); ++row) {
        const std::vector<std::string> fields = csvFields(lines[row]);
        const std::string where = "line " + std::to_string(row + 1);
        if (fields.size() != header.size())
            throw Error("The curve file's " + where + " has " + std::to_string(fields.size()) +
                            " fields and its header " + std::to_string(header.size()),
                        path);
        const auto numberAt = [&](std::size_t column) {
            const std::optional<double> value = csvNumber(fields[column]);
            if (!value)
                throw Error("The curve file's " + where + " has \"" + fields[column] + "\" for " + header[column] +
                                ", not a number",
                            path);
            return *value;
        };
        rates.push_back(numberAt(static_cast<std::size_t>(rateColumn - header.begin())));
        for (auto& [key, values] : columns)
            values.push_back(numberAt(static_cast<std::size_t>(std::find(header.begin(), header.end(), key) -
                                                               header.begin())));
        if (nameColumn != header.end()) {
            const std::string rowName = csvCellText(fields[static_cast<std::size_t>(nameColumn - header.begin())]);
            if (row > 1 && rowName != name)
                throw Error("The curve file's " + where + " names \"" + rowName + "\" after \"" + name +
                                "\": keep one curve's rows in a file",
                            path);
            name = rowName;
        }
    }
    return curveOfColumns(name.empty() ? stemOf(path) : name, rates, columns, path);
}

bool endsWithJson(const std::string& path) {
    const std::string name = lowered(path);
    return name.size() >= 5 && name.compare(name.size() - 5, 5, ".json") == 0;
}

}  // namespace

ImportedCurve readImportedCurve(const std::string& path) {
    Bytes bytes;
    try {
        bytes = readWholeFile(path, kMaxImportBytes);
    } catch (const Error& error) {
        throw error.concerning(path);
    }
    std::string text(bytes.begin(), bytes.end());
    // Spreadsheets save UTF-8 with a byte-order mark, which would stick to the first column's name.
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    return endsWithJson(path) ? jsonCurve(QByteArray::fromStdString(text), path) : csvCurve(text, path);
}

std::vector<DeltaRow> importedDeltaTable(const DataSetOutcome& outcome, const std::string& anchor,
                                         const std::vector<ImportedCurve>& imported) {
    std::vector<DeltaRow> table;
    if (findCurve(outcome.curves, anchor) == nullptr) return table;
    for (const ImportedCurve& curve : imported) {
        std::vector<CurveMeasure> measures;
        for (CurveMeasure measure : deltaMeasuresTaken(outcome.parameters.measures))
            if (curve.curves.count(measure) > 0) measures.push_back(measure);
        const CurveSource source = [&](const std::string& name, CurveMeasure measure) {
            if (name != anchor) return curve.curves.at(measure);
            return curve.decibelsOfMeanLinear.count(measure) > 0 ? aggregateCurveOfMeanLinear(outcome, anchor, measure)
                                                                  : aggregateCurve(outcome, anchor, measure);
        };
        for (DeltaRow row : deltaTable({anchor, curve.name}, source, anchor, measures)) {
            row.decibelsOfMeanLinear = curve.decibelsOfMeanLinear.count(row.measure) > 0;
            table.push_back(row);
        }
    }
    return table;
}

}  // namespace brenlow

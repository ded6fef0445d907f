#include <stdexcept>
#include <string>

#include "measures/measure_table.h"
#include "measures/measures.h"

namespace brenlow {
namespace {

std::uint64_t bitOf(std::string_view name) {
    const std::vector<OptionalMeasure>& measures = optionalMeasures();
    for (std::size_t i = 0; i < measures.size(); ++i)
        if (measures[i].name == name) return std::uint64_t{1} << i;
    throw std::invalid_argument("No optional measure is named \"" + std::string(name) + "\"");
}

std::uint64_t bitsWhere(bool (*chosen)(const OptionalMeasure&)) {
    std::uint64_t bits = 0;
    for (const OptionalMeasure& measure : optionalMeasures())
        if (chosen(measure)) bits |= bitOf(measure.name);
    return bits;
}

}  // namespace

MeasureChoice::MeasureChoice() : taken_(bitsWhere([](const OptionalMeasure& m) { return m.takenByDefault; })) {}

MeasureChoice MeasureChoice::none() { return MeasureChoice(std::uint64_t{0}); }

MeasureChoice MeasureChoice::every() {
    return MeasureChoice(bitsWhere([](const OptionalMeasure&) { return true; }));
}

MeasureChoice MeasureChoice::only(std::initializer_list<std::string_view> names) {
    MeasureChoice choice = none();
    for (const std::string_view name : names) choice.take(name);
    return choice;
}

bool MeasureChoice::takes(std::string_view name) const { return (taken_ & bitOf(name)) != 0; }

MeasureChoice& MeasureChoice::take(std::string_view name, bool taken) {
    const std::uint64_t bit = bitOf(name);
    taken_ = taken ? taken_ | bit : taken_ & ~bit;
    return *this;
}

}  // namespace brenlow

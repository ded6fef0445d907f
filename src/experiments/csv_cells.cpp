#include "experiments/csv_cells.h"

namespace brenlow {
namespace {

bool startsAFormula(const std::string& text) {
    return !text.empty() && std::string("=+-@\t\r").find(text.front()) != std::string::npos;
}

std::string quoted(const std::string& text) {
    std::string field = "\"";
    for (char c : text) field += c == '"' ? std::string("\"\"") : std::string(1, c);
    return field + "\"";
}

}  // namespace

std::string csvField(const std::string& text, CsvQuoting quoting) {
    const std::string cell = startsAFormula(text) ? "'" + text : text;
    const bool needsQuotes = cell.find_first_of(",\"\r\n") != std::string::npos;
    return needsQuotes || quoting == CsvQuoting::Always ? quoted(cell) : cell;
}

std::string csvCellText(const std::string& field) {
    return field.size() > 1 && field.front() == '\'' && startsAFormula(field.substr(1)) ? field.substr(1) : field;
}

}  // namespace brenlow

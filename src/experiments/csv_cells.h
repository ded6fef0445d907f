#pragma once

#include <string>

namespace brenlow {

// Whether a text cell is quoted only when it must be, or always.
enum class CsvQuoting { WhenNeeded, Always };

// A text cell of a CSV file (RFC 4180), as every CSV writer of the program writes one: a text that
// a spreadsheet would run as a formula (beginning with =, +, -, @, a tab or a carriage return) gets
// a leading ', which spreadsheets show as plain text; quoted when it holds a comma, a quote or a
// line break, or always when asked. Numbers are written as numbers and never pass through here.
std::string csvField(const std::string& text, CsvQuoting quoting = CsvQuoting::WhenNeeded);

// The text of a cell csvField wrote, its unquoted field given: the leading ' taken off again.
std::string csvCellText(const std::string& field);

}  // namespace brenlow

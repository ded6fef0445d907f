#pragma once

#include <cstddef>

#include "cli/command_line.h"

namespace brenlow::cli {

// report DIR... --html FILE: the data set of the result folders as one HTML page, written whole
// or not at all; the --import curves drawn and compared with the anchor. Needs no display.
// Returns how many of the data set's items failed (the page lists them). Throws Error.
std::size_t runReportCommand(const Request& request);

}  // namespace brenlow::cli

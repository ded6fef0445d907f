#pragma once

#include <cstddef>

#include "cli/command_line.h"

namespace brenlow::cli {

// False in a build without Qt Charts, where `report` cannot draw its plots.
bool reportAvailable();

// report DIR... --html FILE: the data set of the result folders as one HTML page, written whole
// or not at all; the --import curves drawn and compared with the anchor. Makes the QApplication
// the plots need, on the offscreen platform when there is no display. Returns how many of the
// data set's items failed (the page lists them). Throws Error.
std::size_t runReportCommand(const Request& request);

}  // namespace brenlow::cli

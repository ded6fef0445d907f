#pragma once

#include "cli/command_line.h"

namespace brenlow::cli {

// False in a build without Qt Charts, where `report` cannot draw its plots.
bool reportAvailable();

// report DIR... --html FILE: the data set of the result folders as one HTML page, written whole
// or not at all; the --import curves drawn and compared with the anchor. Makes the QApplication
// the plots need, on the offscreen platform when there is no display. Throws Error.
void runReportCommand(const Request& request);

}  // namespace brenlow::cli

#pragma once

#include <ostream>

#include "cli/command_line.h"

namespace brenlow::cli {

// evaluate --reference DIR --decoded DIR --name NAME: every reference picture measured against its
// decoded version at each point, printed as a data set's sweep prints (without delta rates: the
// run has one curve; merge its --out folder with the anchors' to get them). Pictures that lack a
// decoded picture or size, or whose decoded picture is unreadable or of another size, are failed
// items. Throws Error.
CommandOutput runEvaluateCommand(const Request& request, std::ostream& notes);

}  // namespace brenlow::cli

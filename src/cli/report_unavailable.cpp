#include "cli/report_command.h"
#include "io/error.h"

namespace brenlow::cli {

bool reportAvailable() {
    return false;
}

std::size_t runReportCommand(const Request&) {
    throw Error("This brenlow-cli was built without Qt Charts, so it cannot write reports");
}

}  // namespace brenlow::cli

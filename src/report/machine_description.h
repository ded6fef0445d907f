#pragma once

#include <string>

namespace brenlow {

// "host: ...", "CPU: ...", "cores: ...", "system: ..." lines, each ending in '\n', read from this
// machine; a part that cannot be read says "unknown".
std::string machineDescription();

}  // namespace brenlow

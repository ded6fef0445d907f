#pragma once

#include <stdexcept>

namespace brenlow {

// The one exception type of the core. Its message is written for the person at the screen;
// each front end shows it as it stands (a message box, a line on stderr).
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace brenlow

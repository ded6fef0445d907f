#pragma once

#include <string>

namespace brenlow {

// The JPEG library the program was built against, as "62, libjpeg-turbo 2.1.5": coded bytes and
// decoded pixels depend on it.
std::string jpegLibraryVersion();

}  // namespace brenlow

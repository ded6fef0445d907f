#pragma once

#include <string>

namespace brenlow::cli {

// The versions a run's figures depend on: this program, Qt at run time, and the JPEG library the
// program was built against ("62, libjpeg-turbo 2.1.5").
std::string programVersion();
std::string qtVersion();
std::string jpegLibraryVersion();

}  // namespace brenlow::cli

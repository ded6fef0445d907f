#pragma once

#include <string>
#include <utility>
#include <vector>

namespace brenlow::cli {

// The versions a run's figures depend on: this program, Qt at run time, and the JPEG library the
// program was built against ("62, libjpeg-turbo 2.1.5").
std::string programVersion();
std::string qtVersion();
std::string jpegLibraryVersion();

// The anchor codecs' libraries as they run, each as a name and its version:
// {"libwebp", "1.2.4"}, {"libavif", "0.11.1 (dav1d ..., aom ...)"}, {"libjxl", ...}, {"OpenJPEG", ...}.
std::vector<std::pair<std::string, std::string>> anchorLibraryVersions();

}  // namespace brenlow::cli

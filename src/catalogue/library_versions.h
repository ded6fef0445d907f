#pragma once

#include <string>
#include <utility>
#include <vector>

#include "jpeg/jpeg_library_version.h"

namespace brenlow {

// The versions a run's figures depend on: this program, the commit it was built from ("unknown"
// outside a git checkout), Qt at run time, and jpegLibraryVersion().
std::string programVersion();
std::string sourceCommit();
std::string qtVersion();

// The anchor codecs' libraries as they run, each as a name and its version:
// {"libwebp", "1.2.4"}, {"libavif", "0.11.1 (dav1d ..., aom ...)"}, ... in anchorCodecs()'s order.
std::vector<std::pair<std::string, std::string>> anchorLibraryVersions();

// What a bug report needs beside the version, one line each, as both front ends show it:
// "commit cc36cc3", "Qt 6.4.2", "libjpeg 62, libjpeg-turbo 2.1.5", then the anchor libraries.
std::vector<std::string> buildDetailLines();

}  // namespace brenlow

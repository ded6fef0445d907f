#include "jpeg/jpeg_library_version.h"

#include <cstdio>
#include <jpeglib.h>

namespace brenlow {

std::string jpegLibraryVersion() {
    std::string version = std::to_string(JPEG_LIB_VERSION);
#ifdef LIBJPEG_TURBO_VERSION_NUMBER
    constexpr int kNumber = LIBJPEG_TURBO_VERSION_NUMBER;
    version += ", libjpeg-turbo " + std::to_string(kNumber / 1000000) + "." + std::to_string(kNumber / 1000 % 1000) +
               "." + std::to_string(kNumber % 1000);
#endif
    return version;
}

}  // namespace brenlow

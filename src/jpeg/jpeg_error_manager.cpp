#include "jpeg/jpeg_error_manager.h"

#include <string>

#include "io/bitmap_file.h"
#include "io/error.h"
#include "jpeg/jpeg_bridge.h"

namespace brenlow::jpeg_detail {
namespace {

ErrorManager& managerOf(j_common_ptr info) {
    // The library's struct is the first member, so its address is the manager's.
    return *reinterpret_cast<ErrorManager*>(info->err);
}

[[noreturn]] void jumpOnError(j_common_ptr info) { failWith(info, info->err->msg_code); }

void jumpOnWarning(j_common_ptr info, int level) {
    if (level < 0) {
        failWith(info, info->err->msg_code);
    }
}

}  // namespace

jpeg_error_mgr* installErrorManager(ErrorManager& manager) {
    jpeg_error_mgr* library = jpeg_std_error(&manager.library);
    library->error_exit = jumpOnError;
    library->emit_message = jumpOnWarning;
    manager.failure = kNoFailure;
    return library;
}

void failWith(j_common_ptr info, int failure) {
    ErrorManager& manager = managerOf(info);
    manager.failure = failure;
    std::longjmp(manager.jumpPoint, 1);
}

void throwJpegFailure(int failure, long width, long height, int components) {
    switch (failure) {
        case kTooManyScans:
            throw Error("The JPEG data has more than " + std::to_string(kMaxJpegScans) + " scans");
        case kTooLarge:
            checkPictureSize(width, height, "The JPEG picture");
            throw Error("The JPEG picture is too large");
        case kUnsupportedComponents:
            throw Error("JPEG files with " + std::to_string(components) + " colour components are not supported");
        default:
            throw Error("JPEG error #" + std::to_string(failure));
    }
}

}  // namespace brenlow::jpeg_detail

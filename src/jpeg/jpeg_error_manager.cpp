#include "jpeg/jpeg_error_manager.h"

#include <cstring>
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
    if (failure >= 0) {
        // A code we raise ourselves comes without the parameters of whatever the library said last.
        if (info->err->msg_code != failure) {
            info->err->msg_code = failure;
            std::memset(&info->err->msg_parm, 0, sizeof info->err->msg_parm);
        }
        (*info->err->format_message)(info, manager.libraryText);
    }
    std::longjmp(manager.jumpPoint, 1);
}

void throwJpegFailure(const ErrorManager& manager, long width, long height, int components) {
    switch (manager.failure) {
        case kTooManyScans:
            throw Error("The JPEG data has more than " + std::to_string(kMaxJpegScans) + " scans");
        case kTooLarge:
            checkPictureSize(width, height, "The JPEG picture");
            throw Error("The JPEG picture is too large");
        case kUnsupportedComponents:
            throw Error("JPEG files with " + std::to_string(components) + " colour components are not supported");
        default:
            throw Error("JPEG error #" + std::to_string(manager.failure) + ": " + manager.libraryText);
    }
}

}  // namespace brenlow::jpeg_detail

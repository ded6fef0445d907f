#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace brenlow::jpeg_detail {

// Codes of our own failures, kept apart from the library's message codes (which are >= 0).
inline constexpr int kNoFailure = -1;
inline constexpr int kTooManyScans = -2;
inline constexpr int kTooLarge = -3;
inline constexpr int kUnsupportedComponents = -4;

// The library must never end the process: error_exit jumps back to the setjmp point of the
// function that drives the library, and warnings (truncated or corrupt data) count as errors.
// Functions that set the jump point hold no object with a destructor; they return the failure
// code and their caller throws once the library's frames are left.
struct ErrorManager {
    jpeg_error_mgr library{};
    std::jmp_buf jumpPoint{};
    int failure = kNoFailure;
    // The library's own words for a failure with one of its codes, made while its message
    // parameters are still set.
    char libraryText[JMSG_LENGTH_MAX]{};
};

// Installs the manager on a compressor or decompressor before it is created.
jpeg_error_mgr* installErrorManager(ErrorManager& manager);

// Records a failure of our own and jumps to the manager's setjmp point.
[[noreturn]] void failWith(j_common_ptr info, int failure);

// The message a person reads for the manager's failure: "JPEG error #N: <the library's text>" for
// the library's codes, our own wording for ours.
[[noreturn]] void throwJpegFailure(const ErrorManager& manager, long width, long height, int components);

}  // namespace brenlow::jpeg_detail

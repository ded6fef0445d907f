#pragma once

#include <string>

namespace brenlow::cli {

// `codecs`: every codec of the build with its quality range, file extension, library and the
// settings it takes (key, allowed values, default, meaning); one JSON object with `json`.
std::string codecsListing(bool json);

}  // namespace brenlow::cli

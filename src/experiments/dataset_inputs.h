#pragma once

#include <string>
#include <vector>

namespace brenlow {

// True for a name whose extension, in any case, is one of the picture files a data set is made
// of: .bmp .png .ppm .pgm .tif .tiff .webp .jpg .jpeg .gif.
bool isDataSetPictureName(const std::string& name);

// The pictures a sweep's FILE arguments stand for, in order: an existing file as given, a folder's
// pictures directly inside it sorted by name (as folder/name), and a glob(3) pattern's matches in
// its sorted order. A folder's entries with a picture's name that are no picture file (a link to
// nothing, a device, a file that cannot be read) are added to `leftOut`, when given, as
// "\"folder/name\" (why)". Throws Error naming the argument when it is neither a file, a folder
// with a picture, nor a pattern that matches one; UsageError when a picture is named twice.
std::vector<std::string> expandPictureArguments(const std::vector<std::string>& arguments,
                                                std::vector<std::string>* leftOut = nullptr);

// Whether the arguments ask for a data set rather than one picture: more than one of them, or a
// folder, or a pattern that names no file.
bool asksForDataSet(const std::vector<std::string>& arguments);

}  // namespace brenlow

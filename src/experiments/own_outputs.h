#pragma once

#include <string>
#include <vector>

namespace brenlow {

// A file left out of a data set, and why ("a decoded result", "coded from a.png").
struct LeftOutPicture {
    std::string picture;
    std::string why;
    bool operator==(const LeftOutPicture&) const = default;
};

// The pictures of a folder less the files the workbench and the still commands wrote beside their
// sources: decoded results (NAME~.bmp) and coded files sharing a source's name (NAME.webp beside
// NAME.png), which are added to `leftOut` when given. Files in `named` (given one by one) are kept
// whatever their names.
std::vector<std::string> withoutOwnOutputs(const std::vector<std::string>& pictures,
                                           const std::vector<std::string>& named,
                                           std::vector<LeftOutPicture>* leftOut = nullptr);

}  // namespace brenlow

#pragma once

#include <string>
#include <vector>

namespace brenlow {

// The pictures of a folder less the files the workbench and the still commands wrote beside their
// sources: decoded results (NAME~.bmp) and coded files sharing a source's name (NAME.webp beside
// NAME.png). Those are added to `leftOut`, when given, as "\"folder/name\" (why)". Files in
// `named` (given one by one) are kept whatever their names.
std::vector<std::string> withoutOwnOutputs(const std::vector<std::string>& pictures,
                                           const std::vector<std::string>& named,
                                           std::vector<std::string>* leftOut = nullptr);

}  // namespace brenlow

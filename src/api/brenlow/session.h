#pragma once

#include <map>
#include <string>
#include <vector>

#include "brenlow/codec.h"

namespace brenlow {

// What a measure is, as `brenlow-cli` writes it.
struct MeasureInfo {
    std::string name;  // "psnr_y": JSON keys and CSV columns
    std::string label; // "PSNR luma"
    std::string unit;  // "dB", or "" for a plain number
    bool higherIsBetter = true;
    std::string group;  // "" for the measures always taken, else the --measures name that takes it
};

// The codecs and measures a front end offers. Codecs described by commands added here are known to
// every later request of the process; adding may happen while other threads run requests.
class Session {
public:
    // Adds the codecs of a description file. Adding the same file again is a no-op. Throws Error
    // naming the file and what is wrong, or another file that gave a codec of the same name.
    std::vector<CodecInfo> addCodecFile(const std::string& path);

    std::vector<CodecInfo> codecs() const;
    std::vector<MeasureInfo> measures() const;
    // The library versions figures depend on, by library name, as `brenlow-cli -V` lists them.
    std::map<std::string, std::string> versions() const;
};

}  // namespace brenlow

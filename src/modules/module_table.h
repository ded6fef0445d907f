#pragma once

#include <QByteArray>
#include <QImage>
#include <string>

#include "measures/butteraugli_library.h"

// What a module hands the program that opens it. A module is a shared object of our own, built
// beside the program, that holds the calls into one external library (a codec's, the WebP writer
// of the report's crops, Butteraugli's): the program starts without those libraries and opens a
// module only when a command needs it.
namespace brenlow {

class AnchorCodec;

// Bumped whenever ModuleTable or ModuleHost change: a module of another build is refused.
inline constexpr int kModuleInterface = 1;

// What a module asks of the program that opened it: the state it shares with the program's own
// code rather than keeping a copy of its own.
struct ModuleHost {
    bool (*codingOnCallingThread)();
};

// One module's offer; what it lacks is null.
struct ModuleTable {
    int interface;        // kModuleInterface of the module's build
    const char* version;  // the project's version the module was built with
    const AnchorCodec* codec;
    // A lossless WebP file of a Format_RGB888 picture; throws Error.
    QByteArray (*losslessWebp)(const QImage& rgb);
    // The Butteraugli distances (and map when asked) of a pair as the library reads it; throws Error.
    ButteraugliOutcome (*butteraugli)(const ButteraugliCall& call);
};

// The one symbol a module exports.
inline constexpr const char* kModuleEntry = "brenlow_module_table";
using ModuleEntry = const ModuleTable* (*)(const ModuleHost* host);

}  // namespace brenlow

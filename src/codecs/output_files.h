#pragma once

#include <QImage>
#include <initializer_list>
#include <string>
#include <vector>

#include "io/file_io.h"

namespace brenlow {

// A file to write: its bytes, or a picture written as a 24-bit bitmap file.
struct OutputFile {
    std::string path;
    const Bytes* bytes = nullptr;
    const QImage* bitmap = nullptr;
};

// Writes every file whole, unseen, and only then puts them all in place, under a lock of their
// folders: a failure (a folder or a read-only file in the way, a full disk) leaves the whole old
// set, and two commands on the same outputs leave the whole set of one of them. Throws Error.
void writeOutputs(std::initializer_list<OutputFile> outputs);

// Throws Error when an output names one of the files a command reads: a command never writes
// over its own source, whatever spelling reaches it.
void refuseOverwritingSources(std::initializer_list<std::string> sources, std::initializer_list<std::string> outputs);

// The inputs of one command and the files each of them is to write, in the order they are coded.
struct PlannedOutputs {
    std::string input;
    std::vector<std::string> outputs;
};

// Throws Error, before anything is coded, when an input's output would replace a file another
// input of the same command writes, or would be another of its inputs ("x.jpeg" and "x.webp" both
// name x~.bmp; "a.bmp a~.bmp" would code a picture the first input just replaced).
void refuseClashingOutputs(const std::vector<PlannedOutputs>& plan);

}  // namespace brenlow

#pragma once

#include <QImage>
#include <future>
#include <span>
#include <initializer_list>
#include <string>
#include <vector>

#include "io/file_io.h"
#include "io/pending_file.h"

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

// A file written unseen on another thread, to be put in place with a command's other outputs.
using FileBeingWritten = std::future<PendingFile>;

// A file written in full before, to be put in place as one being written.
FileBeingWritten alreadyWritten(PendingFile file);

// The same with files already being written: they are put in place after the others, once
// written. Any error of theirs is thrown after the others' errors.
void writeOutputs(std::initializer_list<OutputFile> outputs, std::span<FileBeingWritten> writing);

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
// name x~.bmp; "a.bmp a~.bmp" would code a picture the first input just replaced), or when two
// outputs of one input are one file (a codec whose files end in .bmp codes x.bmp into x~.bmp).
void refuseClashingOutputs(const std::vector<PlannedOutputs>& plan);

}  // namespace brenlow

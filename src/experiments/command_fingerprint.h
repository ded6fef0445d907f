#pragma once

#include <string>
#include <vector>

#include "catalogue/command_codec.h"

namespace brenlow {

// What a codec described by commands runs, as far as Brenlow can see it, one part a line: the
// digest of its description, of each program its commands start (found on the PATH as when they
// are run), of each file they name that exists (a script, a model; an argument or what follows
// the '=' of "--model=FILE"), and the version its description states. Results made under another
// fingerprint may be of other programs: they are made again. Reading the files, never running them.
std::string commandCodecFingerprint(const CommandCodec& codec);

// The parts in which two fingerprints differ, for a person to read: "file /x/codec.py",
// "program /usr/bin/python3", "version 2", "description", each once, in the order of the lines.
std::vector<std::string> fingerprintChanges(const std::string& was, const std::string& now);

}  // namespace brenlow

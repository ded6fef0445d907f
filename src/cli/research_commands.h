#pragma once

#include <chrono>
#include <ostream>
#include <string>

#include "anchors/anchor_codec.h"
#include "cli/command_line.h"
#include "codecs/document.h"
#include "codecs/still_codecs.h"

namespace brenlow::cli {

using Clock = std::chrono::steady_clock;

// A still command's --json output: its figures with every measure against the picture its
// report line is measured against. Throws Error.
std::string stillRunJsonLine(const Request& request, const StillParameters& parameters, const DocumentView& document,
                             const StillRunResult& result, Clock::time_point started);

// The same for `code` with an anchor codec, measured against the document's own file as its
// report line is. Throws Error.
std::string anchorRunJsonLine(const Request& request, const AnchorCodec& codec, const StillParameters& parameters,
                              const DocumentView& document, const StillRunResult& result, Clock::time_point started);

// compare A B: "PSNR_R=..; PSNR_G=..; PSNR_B=..; PSNR=..; PSNR_Y=..; SSIM_Y=..;" or, with
// --json, one object. Throws Error.
std::string runCompareCommand(const Request& request);

// sweep FILE: the CSV table, or with --json one object. With CSV the delta rates against JPEG
// go to `notes`, one line per codec. Writes no file. Throws Error.
std::string runSweepCommand(const Request& request, std::ostream& notes);

}  // namespace brenlow::cli

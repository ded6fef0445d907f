#pragma once

#include <chrono>
#include <ostream>
#include <string>

#include "anchors/anchor_codec.h"
#include "brenlow/codec.h"
#include "brenlow/requests.h"
#include "brenlow/studies.h"
#include "brenlow/tables.h"
#include "cli/command_line.h"
#include "codecs/document.h"
#include "codecs/still_codecs.h"

namespace brenlow::cli {

using Clock = std::chrono::steady_clock;

// A still command's --json output: its figures with every measure against the picture its
// report line is measured against. Throws Error.
std::string stillRunJsonLine(const Request& request, const StillParameters& parameters, const DocumentView& document,
                             const StillRunResult& result, Clock::time_point started);

// The same for `code` with an anchor codec or one described by commands, measured against the
// document's own file as its report line is. Throws Error.
std::string anchorRunJsonLine(const Request& request, const CodecEntry& codec, const StillParameters& parameters,
                              const DocumentView& document, const StillRunResult& result, Clock::time_point started);

// compare A B: "PSNR_R=..; PSNR_G=..; PSNR_B=..; PSNR=..; PSNR_Y=..; SSIM_Y=..;" or, with
// --json, one object; the measures --measures leaves out read n/a. Pictures of two sizes are
// measured over their common area: `notes` says so with both sizes, and --json gives them. Throws Error.
std::string runCompareCommand(const Request& request, std::ostream& notes);

// The slower measures --measures asks for.
MeasureChoice measureChoiceOf(const Request& request);

// The sweep the options ask for.
SweepRequest sweepRequestOf(const Request& request);

// "BD-rate avc against jpeg on psnr, cubic: -12.34 %, BD-psnr +0.5012", one line per row, with a
// warning where the curves share little.
void writeDeltaRates(const std::vector<DeltaRow>& rows, const std::string& anchor, std::ostream& notes);

// Unless --quiet: for more than one timing run, how the times are taken; whenever `codingsAtOnce`
// codings ran side by side, the warning that they shared the cores, `unit` naming what they coded
// ("items", "points").
void writeTimingNotes(const Request& request, int codingsAtOnce, const std::string& unit, std::ostream& notes);

// sweep FILE: the CSV table, or with --json one object. With CSV the delta rates against JPEG
// go to `notes`, one line per codec. Writes no file. Several pictures, a folder or a pattern run
// as a data set (see runDataSetSweep). Throws Error.
CommandOutput runSweepCommand(const Request& request, std::ostream& notes);

}  // namespace brenlow::cli

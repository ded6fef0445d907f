#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "brenlow/tables.h"
#include "cli/command_line.h"
#include "cli/research_commands.h"
#include "io/folder_lock.h"

namespace brenlow::cli {

// sweep over a data set: the pictures of every FILE argument, `-j` items (a picture with a codec)
// at a time. Returns what goes to stdout: the points as CSV with a first column "picture", or with
// --json one object; a shard returns nothing and leaves its results in --out. On `notes` (unless
// --quiet): progress when it is a terminal, what was resumed, the aggregate table and the delta
// rates. --aggregate-csv writes the aggregate to a file. The items that failed are listed on
// `notes` at the end, --quiet or not, and counted in the result. Throws Error.
CommandOutput runDataSetSweep(const Request& request, std::ostream& notes);

// What a whole data set prints, the same for a run, a merge and an evaluation (see runDataSetSweep),
// with the warnings its times need (timingWarnings), but the shared cores of the run started at
// `timingSaidFor`, said as it began.
CommandOutput dataSetOutput(const Request& request, DataSetOutcome outcome,
                            const std::vector<ImportedCurve>& imported, Clock::time_point started,
                            std::ostream& notes, const std::string& timingSaidFor = {});

// The same of a data set left in its result folders: read once for the notes, then again a picture
// at a time as its rows are printed, so that it is never held whole; with --json read whole, as the
// one object holds every point.
CommandOutput dataSetOutput(const Request& request, std::shared_ptr<const LockedDataSet> filed,
                            const std::vector<ImportedCurve>& imported, Clock::time_point started,
                            std::ostream& notes, const std::string& timingSaidFor = {});

// merge DIR...: the data set of the result folders, printed as runDataSetSweep prints a whole run.
// Throws Error naming what is missing or made otherwise.
CommandOutput runMergeCommand(const Request& request, std::ostream& notes);

// Each result folder locked for reading, so that no run changes a data set while it is printed.
// Throws Error naming a folder that is missing or that a run is writing.
std::vector<std::unique_ptr<FolderLock>> lockedForReading(const std::vector<std::string>& folders);

// Lists the failed items on `notes` (errors, so even under --quiet) and returns how many there are.
std::size_t writeFailedItems(const std::vector<FailedItem>& failed, std::ostream& notes);

// Throws UsageError when two curves share a name or one is named like one of the codecs: their
// rows could not be told apart.
void checkImportNames(const std::vector<ImportedCurve>& curves, const std::vector<CodecCurve>& runCurves);

// The curves of every --import file in order. Throws Error naming a file that cannot be read.
std::vector<ImportedCurve> importedCurves(const Request& request);

}  // namespace brenlow::cli

#pragma once

namespace brenlow {

// The viewer's script (page/comparisons.js), built into the program so that a page needs no file
// beside it.
const char* comparisonsScript();

}  // namespace brenlow

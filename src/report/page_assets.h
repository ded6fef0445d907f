#pragma once

#include <string_view>

// The report page's scripts and style, built into the program from their files so that a page
// written anywhere carries them whole.

namespace brenlow {

// The charting library, its licence header first.
std::string_view chartLibraryScript();
// Our scripts, one after the other: the shared data and helpers, the charts with their legend,
// spread and picture selector, and the delta-rate table.
std::string_view reportPageScript();
std::string_view reportPageStyle();
// The viewer of decoded pictures beside their source, written only into pages that have some.
std::string_view comparisonsScript();

}  // namespace brenlow

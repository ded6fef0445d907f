#pragma once

#include <string>
#include <string_view>

namespace brenlow::cli {

// Text read from files (picture names, curve labels, stored failure reasons, messages naming
// them) made safe to print on a terminal, where a control character could move the cursor, clear
// the screen or set the window's title: each is shown as an escape, ESC as \x1b, a C1 control as
// \u009b, a byte that is no part of UTF-8 as \xff. Tabs and everything else are printed as they are.
// printableLine shows a line break (LF or CR LF) as \n or \r\n too, for what must stay on one
// line (a name); printableLines keeps them (a reason ending with a program's last lines of stderr,
// a CSV table).
std::string printableLine(std::string_view text);
std::string printableLines(std::string_view text);

}  // namespace brenlow::cli

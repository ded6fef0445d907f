#include "cli/printable_text.h"

#include <cstdio>

namespace brenlow::cli {
namespace {

std::string escaped(const char* format, unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The length of the UTF-8 sequence at `at`, or 0 when the byte there starts none (an overlong
// form, a surrogate or a sequence cut short counts as none).
std::size_t sequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    if (length == 0 || at + length > text.size()) return 0;
    for (std::size_t i = at + 1; i < at + length; ++i)
        if ((byte(i) & 0xC0) != 0x80) return 0;
    const unsigned char second = byte(at + 1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second > 0x8F))
        return 0;
    return length;
}

// One byte below 0x80: a control as \x1b, a line break (LF, or CR before LF) as it is or escaped.
void appendAscii(std::string& shown, std::string_view text, std::size_t at, bool keepLineBreaks) {
    const char c = text[at];
    const bool lineBreak = c == '\n' || (c == '\r' && at + 1 < text.size() && text[at + 1] == '\n');
    const bool control = (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F;
    if (lineBreak && !keepLineBreaks) shown += c == '\n' ? "\\n" : "\\r";
    else if (control && !lineBreak) shown += escaped("\\x%02x", static_cast<unsigned char>(c));
    else shown += c;
}

// The UTF-8 sequence at `at` as it is, a C1 control (U+0080 to U+009F, C2 80 to C2 9F) as
// \u009b, a byte that starts no sequence as \xff; how many bytes it took.
std::size_t appendBeyondAscii(std::string& shown, std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = sequenceLength(text, at);
    if (length == 0) {
        shown += escaped("\\x%02x", lead);
        return 1;
    }
    const auto second = static_cast<unsigned char>(text[at + 1]);
    if (lead == 0xC2 && second <= 0x9F) shown += escaped("\\u%04x", second);
    else shown.append(text.substr(at, length));
    return length;
}

std::string printable(std::string_view text, bool keepLineBreaks) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            appendAscii(shown, text, at, keepLineBreaks);
            ++at;
        } else {
            at += appendBeyondAscii(shown, text, at);
        }
    }
    return shown;
}

}  // namespace

std::string printableLine(std::string_view text) { return printable(text, false); }

std::string printableLines(std::string_view text) { return printable(text, true); }

}  // namespace brenlow::cli

#pragma once

#include <cstdint>
#include <string_view>

namespace brenlow {

// The commands that read the toolbar fields; each has its own quality range and divisor rule.
enum class Command { JpegExperiment, AvcStill, AjcStill, SequenceEncoder };

// The integer value of a field text as the C library's atol reads it: leading white space, an
// optional sign, then decimal digits up to the first other character; no digits give 0.
// Saturates instead of overflowing.
long readFieldInteger(std::string_view text);

struct QualitySetting {
    std::uint8_t quality = 80;
    bool wasReset = false;  // the field must now read "80"
};

// Edit2: the value held as a signed 8-bit number. The valid range is 1..100 for the AVC and AJC
// still encoders and 0..100 for the JPEG experiment and the sequence encoder (0 reaches the
// library, which treats it as 1); anything else becomes 80 and wasReset is set.
QualitySetting readQuality(std::string_view text, Command command);

// Edit3: n + 0.5. The still codecs and the JPEG experiment use 2.5 when n is 0; the sequence
// encoder has no such rule (0 gives 0.5).
float readDivisor(std::string_view text, Command command);

// The same rule for a number already read (the command-line tool's --divisor).
float divisorFor(long n, Command command);

// The header's divisor code: the divisor truncated toward zero, low eight bits.
std::uint8_t divisorCode(float divisor);

// Edit5, the number of sharpening passes: a negative value becomes 1, 0 stays 0.
std::int32_t readFocus(std::string_view text);

// The same rule for a number already read (the command-line tool's --focus).
std::int32_t focusFor(long n);

// Edit4, the last frame number of the sequence commands (frames 0..N; none when negative).
std::int32_t readLastFrame(std::string_view text);

struct StillParameters {
    std::uint8_t quality = 80;
    float divisor = 2.5f;
    std::int32_t passes = 2;
};

struct StillFieldReading {
    StillParameters parameters;
    bool qualityWasReset = false;
};

// All parameters of a still command from the field texts Edit2, Edit3 and Edit5 (the JPEG
// experiment and the AJC encoder ignore what they do not use).
StillFieldReading readStillFields(Command command, std::string_view edit2, std::string_view edit3,
                                  std::string_view edit5);

}  // namespace brenlow

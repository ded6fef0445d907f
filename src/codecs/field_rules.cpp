#include "codecs/field_rules.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>

namespace brenlow {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::int32_t clampToInt32(long value) {
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

// The toolbar keeps the quality in one signed byte, so "200" reads as -56 and "300" as 44.
std::int8_t asSignedByte(long value) {
    return static_cast<std::int8_t>(static_cast<std::uint8_t>(static_cast<unsigned long>(value) & 0xFFu));
}

int lowestQuality(Command command) {
    return command == Command::AvcStill || command == Command::AjcStill ? 1 : 0;
}

}  // namespace

long readFieldInteger(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && isBlank(text[at])) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    // Accumulate toward the sign so that LONG_MIN itself is representable.
    long value = 0;
    for (; at < text.size() && isDigit(text[at]); ++at) {
        const int digit = text[at] - '0';
        if (negative) {
            if (value < (LONG_MIN + digit) / 10) {
                return LONG_MIN;
            }
            value = value * 10 - digit;
        } else {
            if (value > (LONG_MAX - digit) / 10) {
                return LONG_MAX;
            }
            value = value * 10 + digit;
        }
    }
    return value;
}

QualitySetting readQuality(std::string_view text, Command command) {
    const int quality = asSignedByte(readFieldInteger(text));
    if (quality < lowestQuality(command) || quality > 100) {
        return {80, true};
    }
    return {static_cast<std::uint8_t>(quality), false};
}

float divisorFor(long n, Command command) {
    if (n == 0 && command != Command::SequenceEncoder) {
        return 2.5f;
    }
    return static_cast<float>(static_cast<double>(n) + 0.5);
}

float readDivisor(std::string_view text, Command command) { return divisorFor(readFieldInteger(text), command); }

std::uint8_t divisorCode(float divisor) {
    const double truncated = std::trunc(static_cast<double>(divisor));
    if (!(std::fabs(truncated) < 9.2e18)) {
        return 0;
    }
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(truncated)) & 0xFFu);
}

std::int32_t focusFor(long n) { return n < 0 ? 1 : clampToInt32(n); }

std::int32_t readFocus(std::string_view text) { return focusFor(readFieldInteger(text)); }

std::int32_t readLastFrame(std::string_view text) { return clampToInt32(readFieldInteger(text)); }

StillFieldReading readStillFields(Command command, std::string_view edit2, std::string_view edit3,
                                  std::string_view edit5) {
    const QualitySetting quality = readQuality(edit2, command);
    StillFieldReading reading;
    reading.parameters.quality = quality.quality;
    reading.parameters.divisor = readDivisor(edit3, command);
    reading.parameters.passes = readFocus(edit5);
    reading.qualityWasReset = quality.wasReset;
    return reading;
}

}  // namespace brenlow

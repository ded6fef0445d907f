#pragma once

#include <string>
#include <vector>

namespace brenlow {

// A sweep's qualities: "FROM:TO:STEP" (both ends included when the step lands on TO) or a
// comma-separated list such as "25,50,75", each a plain decimal from 1 to 100 ("010" is 10).
// Empty when the text is neither.
std::vector<int> parseQualities(const std::string& text);

// What is wrong with the qualities for a person to read, empty when parseQualities takes them and
// names no quality twice (a repeated point would weigh twice in a curve and its mean).
std::string qualitiesProblem(const std::string& text);

// Sizes in bits per pixel as "0.25,0.5,1.0": each a plain decimal number (digits with a full stop,
// no exponent, no space) above 0 and at most 64, none twice; handed back ascending. Throws Error
// saying what is wrong.
std::vector<double> parseBppTargets(const std::string& text);

}  // namespace brenlow

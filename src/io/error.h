#pragma once

#include <new>
#include <stdexcept>
#include <string>

namespace brenlow {

// The one exception type of the core. Its cause is written for the person at the screen; the
// file it concerns, when one is known, travels beside it so that each front end can place it
// (a message box on the next line, the command line after a colon). what() gives the one-line
// form for anyone who shows the error as it stands.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& cause) : std::runtime_error(cause), cause_(cause) {}

    Error(const std::string& cause, const std::string& fileName)
        : std::runtime_error(oneLine(cause, fileName)), cause_(cause), fileName_(fileName) {}

    const std::string& cause() const noexcept { return cause_; }

    // Empty when the error concerns no particular file or its cause names it already.
    const std::string& fileName() const noexcept { return fileName_; }

    // The same error, naming fileName unless it names a file already: the innermost file is the
    // one the cause was found in, and a cause that quotes the file needs it no second time.
    Error concerning(const std::string& fileName) const {
        return fileName_.empty() && cause_.find("\"" + fileName + "\"") == std::string::npos ? Error(cause_, fileName)
                                                                                            : *this;
    }

    static std::string oneLine(const std::string& cause, const std::string& fileName) {
        return fileName.empty() ? cause : cause + ": \"" + fileName + "\"";
    }

private:
    std::string cause_;
    std::string fileName_;
};

// An error in what the user asked for rather than in a file or the machine: a front end shows it as
// a usage error (brenlow-cli's exit status 2).
class UsageError : public Error {
public:
    using Error::Error;
};

// What a front end shows for an exception that reached it: an Error's own words; for any other,
// which names a failure only in a library's terms (std::bad_alloc), a sentence around it.
inline std::string failureMessage(const std::exception& failure) {
    if (dynamic_cast<const Error*>(&failure) != nullptr) return failure.what();
    if (dynamic_cast<const std::bad_alloc*>(&failure) != nullptr)
        return "Not enough memory to finish: the machine's memory or this process's memory limit is used up";
    return std::string("An unexpected failure stopped the work: ") + failure.what();
}

}  // namespace brenlow

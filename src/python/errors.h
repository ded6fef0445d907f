#pragma once

#include <string>
#include <utility>

#include "io/error.h"

namespace brenlow::python {

// A file that cannot be read or written: brenlow.FileError, an OSError, in Python.
class FileProblem : public Error {
public:
    FileProblem(const Error& error, std::string path) : Error(error), path_(std::move(path)) {}
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Calls `work`; a core Error (not a usage error) becomes a FileProblem about `path`, for calls whose
// failure is the file's; with no path, about the file the error names, when it names one.
template <typename Work>
auto aboutFile(const std::string& path, Work&& work) {
    try {
        return work();
    } catch (const UsageError&) {
        throw;
    } catch (const FileProblem&) {
        throw;
    } catch (const Error& error) {
        const std::string& file = path.empty() ? error.fileName() : path;
        if (file.empty()) throw;
        throw FileProblem(error, file);
    }
}

// The same for a call whose failure is the file its error names (a picture or folder that is not
// there or cannot be read).
template <typename Work>
auto namingItsFile(Work&& work) {
    return aboutFile({}, std::forward<Work>(work));
}

}  // namespace brenlow::python

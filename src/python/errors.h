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
// failure is the file's.
template <typename Work>
auto aboutFile(const std::string& path, Work&& work) {
    try {
        return work();
    } catch (const UsageError&) {
        throw;
    } catch (const FileProblem&) {
        throw;
    } catch (const Error& error) {
        throw FileProblem(error, path);
    }
}

}  // namespace brenlow::python

#include "errors.h"

#include <pybind11/eval.h>

#include "bindings.h"

namespace brenlow::python {
namespace {

// Python's own class statements give the classes the bases, documentation and text a Python user
// expects (an OSError's text would otherwise be "[Errno None] ...").
constexpr const char* kErrorClasses = R"(
class Error(Exception):
    """A failure of Brenlow's core, with the message the command line prints."""

class UsageError(Error, ValueError):
    """A request Brenlow does not take: a bad codec string, quality, measure or argument."""

class FileError(Error, OSError):
    """A file that cannot be read or written; .filename names it."""

    def __str__(self):
        return str(self.args[0]) if self.args else ""

class PictureNote(UserWarning):
    """What a picture's file means for the measures: colours other than sRGB, 16 bits, alpha."""

for _class in (Error, UsageError, FileError, PictureNote):
    _class.__module__ = "brenlow"
)";

}  // namespace

void bindErrors(py::module_& module) {
    // The classes live as long as the interpreter: the module holds them, and so does this file.
    static py::handle error, usageError, fileError;
    py::dict scope;
    scope["__builtins__"] = py::module_::import("builtins");
    py::exec(kErrorClasses, scope);
    for (const char* name : {"Error", "UsageError", "FileError", "PictureNote"}) module.attr(name) = scope[name];
    error = py::object(scope["Error"]).release();
    usageError = py::object(scope["UsageError"]).release();
    fileError = py::object(scope["FileError"]).release();
    py::register_exception_translator([](std::exception_ptr failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const FileProblem& problem) {
            py::object raised = py::reinterpret_borrow<py::object>(fileError)(problem.what());
            raised.attr("filename") = problem.path();
            PyErr_SetObject(fileError.ptr(), raised.ptr());
        } catch (const UsageError& usage) {
            PyErr_SetString(usageError.ptr(), usage.what());
        } catch (const Error& other) {
            PyErr_SetString(error.ptr(), other.what());
        } catch (const std::bad_alloc& memory) {
            PyErr_SetString(PyExc_MemoryError, failureMessage(memory).c_str());
        }
    });
}

}  // namespace brenlow::python

#pragma once
// The module's own exception types, and the way C++ failures become them:
// files fail as FileError (an OSError), bad arguments as ValueError, a run
// stopped by its caller as Aborted. Every message is the program's own text.

#include <pybind11/pybind11.h>

#include <string>

namespace qvpy {

namespace py = pybind11;

// Creates the exception types in module m; called once at import.
void RegisterErrors(py::module_& m);

// Raises FileError for path, or FileMissingError when a file to read does not exist.
[[noreturn]] void ThrowFileError(const std::string& path, const std::string& text, bool reading = false);
[[noreturn]] void ThrowAborted(const std::string& text);

}  // namespace qvpy

#include "errors.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace qvpy {

namespace {

// Kept for the life of the process (never released at exit, when the
// interpreter may already be gone).
py::object& FileErrorType() {
    static auto* type = new py::object();
    return *type;
}

py::object& FileMissingType() {
    static auto* type = new py::object();
    return *type;
}

py::object& AbortedType() {
    static auto* type = new py::object();
    return *type;
}

}  // namespace

void RegisterErrors(py::module_& m) {
    // Defined in Python, so that str() gives the message alone although
    // filename is set (OSError's own str() would add "[Errno None]").
    py::module_ errors = py::module_::import("quorvane._errors");
    FileErrorType() = errors.attr("FileError");
    FileMissingType() = errors.attr("FileMissingError");
    AbortedType() = errors.attr("Aborted");
    for (const char* name : {"FileError", "FileMissingError", "Aborted"}) m.attr(name) = errors.attr(name);
}

void ThrowFileError(const std::string& path, const std::string& text, bool reading) {
    std::error_code ignored;
    const bool missing = reading && !std::filesystem::exists(path, ignored);
    py::object type = missing ? FileMissingType() : FileErrorType();
    py::object error = type(path + ": " + text, path);
    PyErr_SetObject(type.ptr(), error.ptr());
    throw py::error_already_set();
}

void ThrowAborted(const std::string& text) {
    PyErr_SetString(AbortedType().ptr(), text.c_str());
    throw py::error_already_set();
}

}  // namespace qvpy

#include "run_hooks.h"

#include <cstdio>

#include "errors.h"

namespace qvpy {

double FractionOf(const char* status) {
    double percent = 0.0;
    if (std::sscanf(status, "Deconvolved %lf%%", &percent) != 1) return 0.0;
    return percent / 100.0;
}

bool RunHooks::AbortRequested() { return stop_.load(std::memory_order_relaxed) || interrupt_.Seen(); }

void RunHooks::SetStatus(const char* text) {
    last_ = text;
    if (progress_.is_none() || stop_.load(std::memory_order_relaxed)) return;
    py::gil_scoped_acquire gil;
    Call(FractionOf(text), text);
}

void RunHooks::Call(double fraction, const char* text) {
    try {
        py::object answer = progress_(fraction, text);
        if (answer.ptr() == Py_False) stop_.store(true, std::memory_order_relaxed);
    } catch (py::error_already_set& error) {
        error_.emplace(std::move(error));
        stop_.store(true, std::memory_order_relaxed);
    }
}

void RunHooks::Finished(const char* text) {
    if (!progress_.is_none()) Call(1.0, text);
    if (error_) {
        py::error_already_set error = std::move(*error_);
        error_.reset();
        throw error;
    }
}

void RunHooks::RaiseAbort(const std::string& text) {
    if (error_) {
        py::error_already_set error = std::move(*error_);
        error_.reset();
        throw error;
    }
    if (interrupt_.Seen() && PyErr_CheckSignals() != 0) throw py::error_already_set();
    ThrowAborted(text);
}

}  // namespace qvpy

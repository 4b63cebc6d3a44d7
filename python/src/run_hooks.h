#pragma once
// The engine's hooks for a call from Python: progress(fraction, text) is
// called with the interpreter lock taken back, and returning False (or
// raising) stops the run at the next row, as does Ctrl-C.

#include <pybind11/pybind11.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "decon/decon_hooks.h"
#include "interrupt.h"

namespace qvpy {

namespace py = pybind11;

class RunHooks : public DeconHooks {
public:
    explicit RunHooks(py::object progress) : progress_(std::move(progress)) {}

    bool AbortRequested() override;
    void SetStatus(const char* text) override;

    // Texts of the stars the engine left out, in order.
    std::vector<std::string> skipped;
    void NoteSkippedStar() { skipped.push_back(last_); }

    // With the lock held: the callback's own exception, else KeyboardInterrupt
    // (or whatever Python's SIGINT handler raises), else Aborted.
    [[noreturn]] void RaiseAbort(const std::string& text);
    // With the lock held: the final progress(1.0, text) call.
    void Finished(const char* text);

private:
    void Call(double fraction, const char* text);

    py::object progress_;
    InterruptWatch interrupt_;
    std::atomic<bool> stop_{false};
    std::optional<py::error_already_set> error_;
    std::string last_;
};

// Percentage of a "Deconvolved N%..." line as a fraction; 0 for other lines.
double FractionOf(const char* status);

}  // namespace qvpy

#pragma once
// Ctrl-C during a run with the interpreter lock released. Python only sees
// SIGINT when it next runs bytecode, which a run in C++ holds off for
// seconds; so while any run is going, a handler of ours notes the signal
// for the runs (checked at every row) and passes it on to Python's own
// handler, which raises KeyboardInterrupt once the run has stopped.

namespace qvpy {

class InterruptWatch {
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    // True once SIGINT arrived after this watch began. Safe from any thread.
    bool Seen() const;

private:
    unsigned start_;
};

}  // namespace qvpy

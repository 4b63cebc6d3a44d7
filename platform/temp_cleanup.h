#pragma once
// Temporary files that a terminating signal must not leave behind.
//
// Registered files are removed by the handler of SIGINT, SIGTERM and SIGHUP
// when the signal would end the process anyway (default action); the signal is
// then raised again with its default action. When the program has its own
// handler at the time of a registration, that handler is called instead and the
// file stays (the program decides); an ignored signal stays ignored.

#include <csignal>

// Holds SIGINT, SIGTERM and SIGHUP back on this thread while it lives, so that
// a temporary file can be created and registered with no moment between in
// which a signal would leave it behind; one that came meanwhile is delivered
// (and cleans up) when the hold ends.
class TerminatingSignalsHeld {
public:
    TerminatingSignalsHeld();
    ~TerminatingSignalsHeld();
    TerminatingSignalsHeld(const TerminatingSignalsHeld&) = delete;
    TerminatingSignalsHeld& operator=(const TerminatingSignalsHeld&) = delete;

private:
    sigset_t previous_;
};

// Registers name inside the folder open as folderFd. Returns the slot to
// release, or -1 when every slot is taken (the file is then not cleaned up).
int RegisterTempFile(int folderFd, const char* name);
void ReleaseTempFile(int slot);

#pragma once
// What the status bar's progress bar says during a run: the iteration under
// way, the share of the sweeps done and, once a few are done, the time left
// at the pace so far. Widget-free so that it can be checked directly.

#include <QString>

struct RunProgress {
    int iteration = 0;     // 1-based, 0 before the first sweep
    int iterations = 0;    // the run's N
    int percent = 0;       // 0 .. 100
    int secondsLeft = -1;  // -1 while unknown
    QString Text() const;
};

// stepsDone of stepsTotal sweeps (15 a iteration), secondsElapsed since the
// sweeps began.
RunProgress ComputeRunProgress(int stepsDone, int stepsTotal, int iterations, double secondsElapsed);

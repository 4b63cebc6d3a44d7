#include "app/run/run_progress.h"

#include <algorithm>
#include <cmath>

namespace {
// Sweeps done before the pace is trusted for a time left.
constexpr int kStepsBeforeEstimate = 2;
}  // namespace

QString RunProgress::Text() const {
    if (iteration == 0) return QStringLiteral("Preparing...");
    QString text = QStringLiteral("Iteration %1 of %2, %3 %").arg(iteration).arg(iterations).arg(percent);
    if (secondsLeft >= 0)
        text += QStringLiteral(", %1:%2 left").arg(secondsLeft / 60).arg(secondsLeft % 60, 2, 10, QLatin1Char('0'));
    return text;
}

RunProgress ComputeRunProgress(int stepsDone, int stepsTotal, int iterations, double secondsElapsed) {
    RunProgress progress;
    progress.iterations = iterations;
    if (stepsTotal <= 0 || iterations <= 0) return progress;
    stepsDone = std::clamp(stepsDone, 0, stepsTotal);
    const int stepsPerIteration = std::max(1, stepsTotal / iterations);
    progress.iteration = std::min(iterations, stepsDone / stepsPerIteration + 1);
    progress.percent = int(int64_t(stepsDone) * 100 / stepsTotal);
    if (stepsDone >= kStepsBeforeEstimate && secondsElapsed > 0.0) {
        const double left = secondsElapsed * double(stepsTotal - stepsDone) / double(stepsDone);
        progress.secondsLeft = int(std::lround(left));
    }
    return progress;
}

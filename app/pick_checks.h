#pragma once
// The engine's verdict on each star the user picks, kept by position so the
// view can mark the picks a run would skip or that spoil the PSF, and say
// why on the status bar. Picks still behave as before; this only tells.

#include <QString>
#include <map>
#include <utility>

#include "decon/star_check.h"

class CImage;
struct StarPoint;

class PickChecks {
public:
    // Checks a new pick against the image as it is now and remembers the verdict.
    StarCheck Check(const CImage& image, const StarPoint& star);
    // The remembered verdict; ok for a pick never checked.
    StarCheck Of(const StarPoint& star) const;
    // The pixels changed (a flip, a run, an undo): the verdicts no longer hold.
    void Forget() { checks_.clear(); }

private:
    std::map<std::pair<int32_t, int32_t>, StarCheck> checks_;
};

// "PSF star at X, Y: reason" for the status bar; empty for a good pick.
QString PickCheckMessage(const StarPoint& star, StarCheck check);

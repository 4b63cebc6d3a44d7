// "Pick Stars for Me": the engine's automatic picks join the user's own. A
// star picked already (by hand or before) is not picked twice, so the
// command can be given again for more; Undo takes a batch of picks back.
#include <cstdlib>

#include "app/auto_pick_report.h"
#include "app/main_frame.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "decon/star_pick.h"
#include "image/image.h"

namespace {

constexpr int kAutoPickCount = 5;
// Automatic picks are isolated by far more than this, so a pick this close is the same star.
constexpr int kSameStarDistance = 5;

bool AlreadyPicked(const std::vector<StarPoint>& stars, const StarPick& pick) {
    for (const StarPoint& s : stars)
        if (std::abs(s.x - pick.column) < kSameStarDistance && std::abs(s.y - pick.row) < kSameStarDistance)
            return true;
    return false;
}

}  // namespace

void CQuorvaneView::PickStarsForMe() {
    const CImage& image = document_.Image();
    if (!image.HasPixels() || document_.IsRunning()) return;
    const std::vector<StarPoint> before = document_.Stars();
    // Enough to make up for good stars the user has picked already.
    const AutoStars found = PickStars(image.pixels.data(), image.Width, image.Height,
                                      kAutoPickCount + int(before.size()), image.Sat_level);
    std::vector<StarPoint> added;
    for (const StarPick& pick : found.stars) {
        if (int(added.size()) == kAutoPickCount) break;
        if (!AlreadyPicked(before, pick)) added.push_back({pick.column, pick.row});
    }
    if (!added.empty()) {
        RecordChange();
        for (const StarPoint& star : added) {
            document_.AddStar(star);
            pickChecks_.Check(image, star);
        }
        document_.UpdateAllViews();
        viewport()->update();
    }
    if (CMainFrame* frame = app_.MainFrame())
        frame->SetMessageText(AutoPickReport(int(added.size()), int(document_.Stars().size()), found));
}

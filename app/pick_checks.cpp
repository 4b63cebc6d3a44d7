#include "app/pick_checks.h"

#include "app/quorvane_doc.h"
#include "image/image.h"

StarCheck PickChecks::Check(const CImage& image, const StarPoint& star) {
    if (!image.HasPixels()) return StarCheck::ok;
    const StarCheck check = CheckStar(image.pixels.data(), image.Width, image.Height, star.x, star.y,
                                      {.saturationLevel = image.Sat_level})
                                .check;
    checks_[{star.x, star.y}] = check;
    return check;
}

StarCheck PickChecks::Of(const StarPoint& star) const {
    const auto found = checks_.find({star.x, star.y});
    return found == checks_.end() ? StarCheck::ok : found->second;
}

QString PickCheckMessage(const StarPoint& star, StarCheck check) {
    if (check == StarCheck::ok) return {};
    return QStringLiteral("PSF star at %1, %2: %3").arg(star.x).arg(star.y).arg(QLatin1String(StarCheckText(check)));
}

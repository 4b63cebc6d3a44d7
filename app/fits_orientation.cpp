#include "app/fits_orientation.h"

#include "image/image.h"
#include "platform/qt/profile.h"

namespace {

const QString kSection = QStringLiteral("AppParameters");
const QString kKey = QStringLiteral("FitsRowsBottomUp");

}  // namespace

FitsOrientation& FitsOrientation::Instance() {
    static FitsOrientation orientation;
    return orientation;
}

bool FitsOrientation::RowsBottomUp() const { return Profile::GetInt(kSection, kKey, 0) != 0; }

void FitsOrientation::SetRowsBottomUp(bool on) {
    if (on == RowsBottomUp()) return;
    Profile::WriteInt(kSection, kKey, on ? 1 : 0);
    emit changed();
}

bool ShowsRowsBottomUp(const CImage& image) {
    return image.fileType == kFileFits && FitsOrientation::Instance().RowsBottomUp();
}

#include "image/image.h"

#include <algorithm>
#include <cstdio>

#include "image/fits_io.h"
#include "image/fits_wcs_flip.h"
#include "image/native_io.h"
#include "platform/archive.h"

namespace {

// Placeholders a fresh record shows until a file says otherwise.
constexpr const char* kUnknownDate = "?\?/?\?/??";
constexpr const char* kUnknownTime = "??:??:??";
constexpr size_t kHistoryFullAt = kHistoryChars - 1;
constexpr size_t kFitsCardChars = 80;

bool PixelsMatchSize(const CImage& image) {
    return image.Width > 0 && image.Height > 0 && image.HasPixels() &&
           image.pixels.size() == size_t(image.Width) * size_t(image.Height);
}

}  // namespace

CImage::CImage() : Date(kUnknownDate), Time(kUnknownTime) {}

CImage::~CImage() = default;

void CImage::Serialize(CArchive& ar) {
    if (ar.IsLoading())
        ReadImageArchive(*this, ar);
    else if (fileType == kFileFits)
        SaveFitsImage(*this, ar);
    else
        WriteNativeArchive(*this, ar);
}

void CImage::AddHistory(int code) {
    if (code < 0 || code >= kHistoryCodeCount) return;
    // An old writer stored "0" for a history with no entries.
    size_t length = History == "0" ? 0 : History.size();
    if (length < kHistoryFullAt)
        History = History.substr(0, length) + char('@' + code);
    else if (length == kHistoryFullAt)
        History = History.substr(0, length) + char('@' + kHistoryMore);

    char card[kFitsCardChars + 1];
    std::snprintf(card, sizeof card, "HISTORY KESL Quorvane %-58s", HistoryCode[code]);
    fitsHistoryCards.append(card, kFitsCardChars);
}

void CImage::FlipHorizontal() {
    if (PixelsMatchSize(*this)) {
        for (int32_t y = 0; y < Height; ++y) {
            auto rowStart = pixels.begin() + ptrdiff_t(y) * Width;
            std::reverse(rowStart, rowStart + Width);
        }
        FlipWcsRecords(fitsRecords, 1, Width);
    }
    AddHistory(kHistoryFlipHorizontal);
}

void CImage::FlipVertical() {
    if (PixelsMatchSize(*this)) {
        for (int32_t y = 0; y < Height / 2; ++y) {
            auto top = pixels.begin() + ptrdiff_t(y) * Width;
            auto bottom = pixels.begin() + ptrdiff_t(Height - 1 - y) * Width;
            std::swap_ranges(top, top + Width, bottom);
        }
        FlipWcsRecords(fitsRecords, 2, Height);
    }
    AddHistory(kHistoryFlipVertical);
}

#include "measure/crosshair.h"

#include "image/image.h"
#include "measure/star_width.h"
#include "platform/format.h"

const std::array<const char*, kBoxSizeChoices> BoxSizeLabels = {
    "3x3",   "5x5",   "7x7",   "9x9",   "11x11", "13x13", "15x15", "17x17",
    "19x19", "21x21", "23x23", "25x25", "27x27", "29x29", "31x31"};

int32_t BoxSizeFromChoice(int32_t choiceIndex) {
    if (choiceIndex < 0 || choiceIndex >= kBoxSizeChoices) choiceIndex = kDefaultBoxChoice;
    return 2 * choiceIndex + 3;
}

PixelPoint ClampToImage(const CImage& image, int32_t x, int32_t y) {
    if (!HasMeasurablePixels(image)) return {};
    auto clamp = [](int32_t v, int32_t size) { return v < 1 ? 0 : (v >= size - 1 ? size - 1 : v); };
    return {clamp(x, image.Width), clamp(y, image.Height)};
}

CrosshairReadout MeasureAtCursor(const CImage& image, int32_t x, int32_t y, int32_t boxSize) {
    CrosshairReadout readout;
    if (!HasMeasurablePixels(image)) return readout;
    const int32_t n = boxSize < kSmallestBox ? kSmallestBox : (boxSize > kLargestBox ? kLargestBox : boxSize);

    readout.average = int32_t(BoxSum(image, x, y, n) / uint32_t(n * n));
    readout.noise = BoxNoise(image, x, y, n);
    const PixelPoint peak = BoxPeak(image, x, y, n);
    const StarWidths widths = StarWidth(image, peak.x, peak.y, n);
    readout.seeingX = SeeingFromWidth(widths.x, ArcsecPerPixel(image.X_pixel_size, image.Focal_length));
    readout.seeingY = SeeingFromWidth(widths.y, ArcsecPerPixel(image.Y_pixel_size, image.Focal_length));

    readout.position = ClampToImage(image, x, y);
    readout.value = image.At(readout.position.x, readout.position.y);
    return readout;
}

CrosshairTexts FormatCrosshair(const CrosshairReadout& readout) {
    CrosshairTexts texts;
    texts.position = Format("%d, %d", readout.position.x + 1, readout.position.y + 1);
    texts.value = Format("%d ", int(readout.value));
    texts.average = Format("%ld", long(readout.average));
    texts.noise = Format("%3.1f", readout.noise);
    texts.seeing = Format("%2.1f,%2.1f", readout.seeingX, readout.seeingY);
    return texts;
}

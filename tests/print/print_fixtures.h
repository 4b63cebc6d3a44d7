#pragma once
// A small image with a left-to-right ramp, its display bitmap, and the
// printed page made from them.

#include <QDate>
#include <memory>

#include "app/display/display.h"
#include "app/print/printed_page.h"
#include "image/image.h"

struct PrintSubject {
    std::unique_ptr<CImage> image = std::make_unique<CImage>();
    DisplayBitmap bitmap;
    CHistogram histogram;
};

inline std::unique_ptr<PrintSubject> RampSubject(int32_t width, int32_t height, int32_t zoom = 2) {
    auto subject = std::make_unique<PrintSubject>();
    CImage& image = *subject->image;
    image.Width = width;
    image.Height = height;
    image.display.back = 0;
    image.display.range = 4000;
    image.display.zoom = zoom;
    image.Observer = "Test Observer";
    image.pixels.resize(size_t(width) * size_t(height));
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            image.pixels[size_t(y) * size_t(width) + size_t(x)] = uint16_t(x * 4000 / width);
    BuildDisplayBitmap(image, subject->histogram, subject->bitmap);
    return subject;
}

inline PrintedPage PageOf(const PrintSubject& subject) {
    return MakePrintedPage(*subject.image, subject.bitmap, "ramp.qvz", QStringLiteral("1.2.3"),
                           QDate(2024, 3, 5));
}

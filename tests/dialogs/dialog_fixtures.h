#pragma once
// Small synthetic star images and a private settings folder for the dialog tests.

#include <QTemporaryDir>
#include <cmath>
#include <cstdint>
#include <memory>

#include "image/image.h"
#include "platform/qt/profile.h"

// A sky of the given level with Gaussian stars; the scale is 3.65 arc-seconds
// per pixel (9-micron pixels behind a 20-inch focal length).
struct TestStar {
    double x;
    double y;
    double peak;
    double sigma;
};

inline std::unique_ptr<CImage> StarImage(int32_t width, int32_t height, uint16_t sky,
                                         std::initializer_list<TestStar> stars) {
    auto image = std::make_unique<CImage>();
    image->Width = width;
    image->Height = height;
    image->Focal_length = 20.0;
    image->X_pixel_size = 0.009;
    image->Y_pixel_size = 0.009;
    image->E_gain = 2.0;
    image->pixels.assign(size_t(width) * size_t(height), sky);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            double level = sky;
            for (const TestStar& star : stars) {
                const double dx = x - star.x, dy = y - star.y;
                level += star.peak * std::exp(-(dx * dx + dy * dy) / (2 * star.sigma * star.sigma));
            }
            image->pixels[size_t(y) * size_t(width) + size_t(x)] = uint16_t(std::min(level, 65535.0));
        }
    return image;
}

// Points the settings store at a fresh folder for the life of the object.
class PrivateSettings {
public:
    PrivateSettings() { Profile::UseFolder(folder_.path()); }

private:
    QTemporaryDir folder_;
};

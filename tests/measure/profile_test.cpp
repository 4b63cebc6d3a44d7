#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "measure_fixtures.h"
#include "measure/profile.h"
#include "measure/star_width.h"

namespace {

// A symmetric star centred on (cx, cy) over a background of 100.
void MakeStar(CImage& image, int32_t width, int32_t height, int32_t cx, int32_t cy) {
    MakeFlat(image, width, height, 100);
    const uint16_t ring[3] = {5000, 2000, 600};
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
            SetPixel(image, cx + dx, cy + dy, ring[std::max(std::abs(dx), std::abs(dy))]);
    image.Focal_length = 20.0;
    image.X_pixel_size = image.Y_pixel_size = 0.009;
}

double Corner(double dx, double dy, double scale) { return std::sqrt(dx * dx + dy * dy) * scale; }

}  // namespace

// N = 11 gives 121 samples around the centroid; the farthest is a box corner.
TEST(Profile, SamplesAroundCentroid) {
    CImage image;
    MakeStar(image, 60, 50, 25, 20);
    const ProfileResult p = MeasureProfile(image, 20, 16, 11);
    ASSERT_EQ(p.samples.size(), 121u);
    EXPECT_EQ(p.request.peakColumn, 25);
    EXPECT_EQ(p.request.peakRow, 20);
    EXPECT_EQ(p.request.boxColumn, 20);
    EXPECT_EQ(p.request.boxRow, 15);
    EXPECT_DOUBLE_EQ(p.request.centroidColumn, 25.0);
    EXPECT_DOUBLE_EQ(p.request.centroidRow, 20.0);
    EXPECT_FALSE(p.distancesInPixels);

    const double scale = ArcsecPerPixel(0.009, 20.0);
    double farthest = 0.0;
    for (const ProfileSample& s : p.samples) farthest = std::max(farthest, s.distance);
    EXPECT_NEAR(farthest, Corner(5, 5, scale), 1e-9);
    EXPECT_EQ(p.samples[0].value, 100);
    EXPECT_EQ(p.samples[60].value, 5000);
    EXPECT_DOUBLE_EQ(p.samples[60].distance, 0.0);
    EXPECT_NEAR(p.extent, Corner(10, 10, scale), 1e-9);
}

// The background is the box mean plus 38 / E_gain, rounded.
TEST(Profile, BackgroundFromBoxMeanAndGain) {
    CImage image;
    MakeFlat(image, 20, 20, 1000);
    image.E_gain = 2.0;
    EXPECT_EQ(MeasureProfile(image, 5, 5, 5).request.background, 1019u);
    // No usable gain: the allowance is left out rather than made infinite.
    for (double gain : {0.0, -3.0, double(NAN)}) {
        image.E_gain = gain;
        EXPECT_EQ(MeasureProfile(image, 5, 5, 5).request.background, 1000u) << "gain " << gain;
    }
}

// When nothing rises above the background the centroid is the box centre.
TEST(Profile, CentroidFallsBackToBoxCentre) {
    CImage image;
    MakeFlat(image, 30, 30, 500);
    const ProfileResult p = MeasureProfile(image, 3, 4, 7);
    // Peak is the first pixel of the search area; the box is centred on it.
    EXPECT_EQ(p.request.peakColumn, 3);
    EXPECT_EQ(p.request.peakRow, 4);
    EXPECT_DOUBLE_EQ(p.request.centroidColumn, 3.0);
    EXPECT_DOUBLE_EQ(p.request.centroidRow, 4.0);
}

// A dark image finds no peak: the box goes to the top-left corner.
TEST(Profile, DarkImageUsesTopLeftCorner) {
    CImage image;
    MakeFlat(image, 30, 30, 0);
    const ProfileResult p = MeasureProfile(image, 20, 20, 5);
    EXPECT_EQ(p.request.boxColumn, 0);
    EXPECT_EQ(p.request.boxRow, 0);
    EXPECT_DOUBLE_EQ(p.request.centroidColumn, 2.0);
    EXPECT_EQ(p.samples.size(), 25u);
}

// A click at the last column and row searches only inside the image, and the
// box is shifted to end at the last column and row.
TEST(Profile, SearchAndBoxStayInsideImage) {
    CImage image;
    MakeFlat(image, 40, 30, 100);
    SetPixel(image, 39, 29, 3000);
    const ProfileResult p = MeasureProfile(image, 39, 29, 11);
    EXPECT_EQ(p.request.peakColumn, 39);
    EXPECT_EQ(p.request.peakRow, 29);
    EXPECT_EQ(p.request.boxColumn, 29);
    EXPECT_EQ(p.request.boxRow, 19);
    EXPECT_EQ(p.samples.size(), 121u);
    EXPECT_EQ(p.samples.back().value, 3000);
}

// An image smaller than the box profiles the whole image.
TEST(Profile, ImageSmallerThanBox) {
    CImage image;
    MakeFlat(image, 3, 2, 10);
    SetPixel(image, 1, 1, 90);
    const ProfileResult p = MeasureProfile(image, 2, 1, 31);
    EXPECT_EQ(p.request.boxWidth, 3);
    EXPECT_EQ(p.request.boxHeight, 2);
    EXPECT_EQ(p.samples.size(), 6u);
    const CImage empty;
    EXPECT_TRUE(MeasureProfile(empty, 0, 0, 11).samples.empty()) << "no pixels, no samples";
}

// Without a focal length the distances are in pixels and say so.
TEST(Profile, NoFocalLengthMeasuresInPixels) {
    CImage image;
    MakeStar(image, 60, 50, 25, 20);
    image.Focal_length = 0.0;
    const ProfileResult p = MeasureProfile(image, 20, 16, 11);
    EXPECT_TRUE(p.distancesInPixels);
    EXPECT_NEAR(p.extent, Corner(10, 10, 1.0), 1e-12);
    for (const ProfileSample& s : p.samples) ASSERT_TRUE(std::isfinite(s.distance));
    EXPECT_EQ(LayoutProfilePlot(p, 400, 300).divisionLabel, "1.0 px/div");
}

// Plot layout: value span to plot height, 70 % of the diagonal to plot width.
TEST(ProfilePlot, ScalesAndLabels) {
    ProfileResult p;
    p.extent = 10.0;
    p.samples = {{0.0, 4196}, {6.9, 100}, {3.6, 2148}};
    const ProfilePlot plot = LayoutProfilePlot(p, 181, 158);
    EXPECT_EQ(plot.width, 128);
    EXPECT_EQ(plot.height, 128);
    ASSERT_EQ(plot.points.size(), 3u);
    // Each point is the box of a radius-2 circle around (x, y), truncated.
    EXPECT_EQ(plot.points[0].left, -2);
    EXPECT_EQ(plot.points[0].top, 130);
    EXPECT_EQ(plot.points[1].left, 124);
    EXPECT_EQ(plot.points[1].right, 128);
    EXPECT_EQ(plot.points[1].bottom, -2);
    EXPECT_EQ(plot.points[2].left, 63);
    EXPECT_EQ(plot.points[2].top, 66);
    EXPECT_EQ(plot.points[2].bottom, 62);
    EXPECT_EQ(plot.divisionLabel, "0.7 \u2033/div");
    EXPECT_EQ(plot.maximumLabel, "4196");
    EXPECT_EQ(plot.minimumLabel, "100");
}

// Flat samples and a zero extent give finite points on the axes, never infinities.
TEST(ProfilePlot, DegenerateProfilesStayOnAxes) {
    ProfileResult p;
    p.extent = 0.0;
    p.samples = {{0.0, 700}, {0.0, 700}};
    const ProfilePlot plot = LayoutProfilePlot(p, 200, 200);
    for (const ProfilePlotPoint& pt : plot.points) {
        EXPECT_EQ(pt.left, -2);
        EXPECT_EQ(pt.top, 2);
    }
    EXPECT_EQ(plot.divisionLabel, "0.0 \u2033/div");
    EXPECT_EQ(plot.maximumLabel, "700");
    EXPECT_EQ(plot.minimumLabel, "700");

    const ProfilePlot empty = LayoutProfilePlot(ProfileResult{}, 10, 10);
    EXPECT_EQ(empty.width, 0);
    EXPECT_TRUE(empty.points.empty());
}

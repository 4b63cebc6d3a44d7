// Stars picked for the user on synthetic fields: which are taken, which are
// turned down and why, how many, and in what order.

#include "decon/star_pick.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "decon_test_util.h"

namespace {

AutoStars Pick(const TestImage& image, int count, uint32_t saturation = 0) {
    return PickStars(image.pixels.data(), image.width, image.height, count, saturation);
}

// The reason given for the candidate within a pixel of (x, y); "" if none was turned down there.
std::string ReasonNear(const AutoStars& picked, int x, int y) {
    for (const StarRejection& r : picked.rejected)
        if (std::abs(r.column - x) <= 1 && std::abs(r.row - y) <= 1) return r.reason;
    return {};
}

bool Has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// Sky 300 with noise, three good stars, and one example of each kind of bad candidate.
constexpr uint32_t kSaturation = 30000;
const std::vector<TestStar> kField = {
    {60, 50, 12000, 1.6},   // good
    {170, 110, 8000, 1.6},  // good
    {120, 80, 5000, 1.6},   // good
    {190, 40, 90000, 2.0},  // clipped at 65535: saturated
    {150, 60, 27000, 1.6},  // below the stated level but close to it
    {8, 80, 15000, 1.6},    // too close to the left edge
    {60, 120, 10000, 1.6},  // blended with the next one
    {66, 123, 6000, 1.6},
    {100, 25, 38, 1.6},     // a star, but too faint to be a good sample
};

TestImage Field() {
    TestImage image = MakeStarField(240, 160, 300, 8, kField);
    image.At(210, 130) = 9000;  // a hot pixel
    return image;
}

}  // namespace

// Only the isolated, unsaturated, bright stars away from the edges are picked,
// brightest first, and each passes the engine's own check of a pick.
TEST(StarPick, PicksTheGoodStarsBrightestFirst) {
    const TestImage image = Field();
    const AutoStars picked = Pick(image, 10, kSaturation);
    ASSERT_EQ(picked.stars.size(), 3u);
    EXPECT_EQ(picked.stars[0].column, 60);
    EXPECT_EQ(picked.stars[0].row, 50);
    EXPECT_EQ(picked.stars[1].column, 170);
    EXPECT_EQ(picked.stars[1].row, 110);
    EXPECT_EQ(picked.stars[2].column, 120);
    EXPECT_EQ(picked.stars[2].row, 80);
    for (const StarPick& s : picked.stars)
        EXPECT_EQ(CheckStar(image.pixels.data(), image.width, image.height, s.column, s.row,
                            {.saturationLevel = kSaturation})
                      .check,
                  StarCheck::ok);
    EXPECT_GE(picked.candidates, int(picked.stars.size() + picked.rejected.size()));
}

// Every bad candidate is turned down with a line naming it and the reason.
TEST(StarPick, SaysWhyEachBadCandidateIsTurnedDown) {
    const AutoStars picked = Pick(Field(), 10, kSaturation);
    for (const StarRejection& r : picked.rejected) {
        const std::string head =
            "PSF candidate at " + std::to_string(r.column) + ", " + std::to_string(r.row) + " rejected: ";
        EXPECT_EQ(r.reason.rfind(head, 0), 0u) << r.reason;
        EXPECT_EQ(r.reason.back(), '.') << r.reason;
    }
    EXPECT_TRUE(Has(ReasonNear(picked, 190, 40), "saturated")) << ReasonNear(picked, 190, 40);
    EXPECT_TRUE(Has(ReasonNear(picked, 150, 60), "close to saturation")) << ReasonNear(picked, 150, 60);
    EXPECT_TRUE(Has(ReasonNear(picked, 8, 80), "edge")) << ReasonNear(picked, 8, 80);
    EXPECT_TRUE(Has(ReasonNear(picked, 60, 120), "not isolated (another peak at 66, 123)"))
        << ReasonNear(picked, 60, 120);
    EXPECT_FALSE(ReasonNear(picked, 66, 123).empty());
    EXPECT_TRUE(Has(ReasonNear(picked, 210, 130), "too sharp")) << ReasonNear(picked, 210, 130);
    EXPECT_TRUE(Has(ReasonNear(picked, 100, 25), "too faint")) << ReasonNear(picked, 100, 25);
}

// At most count stars; judging stops once they are found, and the same
// pixels always give the same picks and reasons in the same order.
TEST(StarPick, HonoursTheCountAndIsDeterministic) {
    const TestImage image = Field();
    const AutoStars two = Pick(image, 2, kSaturation);
    ASSERT_EQ(two.stars.size(), 2u);
    EXPECT_EQ(two.stars[0].column, 60);
    EXPECT_EQ(two.stars[1].column, 170);
    // The faint star and the hot pixel come after the second pick: never judged.
    EXPECT_TRUE(ReasonNear(two, 100, 25).empty());
    EXPECT_FALSE(ReasonNear(two, 190, 40).empty());  // brighter than the second pick: judged

    const AutoStars again = Pick(image, 2, kSaturation);
    ASSERT_EQ(again.rejected.size(), two.rejected.size());
    for (size_t i = 0; i < two.rejected.size(); ++i) EXPECT_EQ(again.rejected[i].reason, two.rejected[i].reason);
    EXPECT_EQ(again.candidates, two.candidates);

    EXPECT_TRUE(Pick(image, 0, kSaturation).stars.empty());
    EXPECT_TRUE(Pick(image, -3, kSaturation).stars.empty());
}

// A field of sky noise gives no stars, and degenerate input gives nothing without reading out of bounds.
TEST(StarPick, BlankSkyAndDegenerateInputGiveNoStars) {
    const TestImage sky = MakeStarField(200, 150, 400, 20, {});
    const AutoStars picked = Pick(sky, 5);
    EXPECT_TRUE(picked.stars.empty());
    for (const StarRejection& r : picked.rejected) EXPECT_TRUE(Has(r.reason, "too faint")) << r.reason;

    const TestImage flat = MakeStarField(64, 64, 300, 0, {});
    EXPECT_TRUE(Pick(flat, 5).stars.empty());
    const TestImage tiny = MakeStarField(2, 2, 300, 0, {});
    EXPECT_TRUE(Pick(tiny, 5).stars.empty());
    EXPECT_TRUE(PickStars(nullptr, 100, 100, 5).stars.empty());
}

// Without a stated saturation level the brightest star stands for it: stars
// within 85 % of its peak may be past the linear range and are turned down.
TEST(StarPick, WithoutALevelTheBrightestStarStandsForSaturation) {
    const TestImage image = MakeStarField(200, 150, 300, 8, {{50, 50, 20000, 1.6}, {140, 50, 18000, 1.6},
                                                             {100, 100, 9000, 1.6}});
    const AutoStars unstated = Pick(image, 5);
    ASSERT_EQ(unstated.stars.size(), 1u);
    EXPECT_EQ(unstated.stars[0].column, 100);
    EXPECT_TRUE(Has(ReasonNear(unstated, 50, 50), "close to saturation"));
    EXPECT_TRUE(Has(ReasonNear(unstated, 140, 50), "close to saturation"));

    // A stated level below the bright ones turns them down as saturated, by the engine's own check.
    const AutoStars low = Pick(image, 5, 15000);
    ASSERT_EQ(low.stars.size(), 1u);
    EXPECT_TRUE(Has(ReasonNear(low, 50, 50), "saturated"));
}

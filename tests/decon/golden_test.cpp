// A whole small run against output reviewed once and checked in.
//
// To regenerate after a deliberate change of the arithmetic, run
//   QV_WRITE_DECON_GOLDEN=1 qv_decon_tests --gtest_filter='Golden.*'
// and review the new tests/decon/data/*.pgm before committing them.

#include <gtest/gtest.h>

#include <cstdlib>

#include "decon_test_util.h"

namespace {

const std::string kInput = std::string(QV_DECON_TEST_DATA) + "/starfield_128x96.pgm";
const std::string kExpected = std::string(QV_DECON_TEST_DATA) + "/starfield_128x96_n2.pgm";

TestImage GenerateInput() {
    TestImage image = MakeStarField(128, 96, 900, 60,
                                    {{31.3, 27.6, 12000, 1.7},
                                     {88.0, 40.4, 30000, 1.5},
                                     {57.7, 70.2, 4000, 2.2},
                                     {104.5, 75.0, 1500, 1.6},
                                     {70.2, 18.9, 800, 1.9}},
                                    42);
    image.At(50, 50) = 20000;  // a hot pixel
    return image;
}

const RunSetup kGoldenRun{.stars = {{31, 28}, {88, 40}, {57, 70}}, .selection = {}, .iterations = 2, .options = {}};

}  // namespace

// Noise reduction, background and 30 damped steps on a small star field give
// exactly the reviewed pixels.
TEST(Golden, SmallRunMatchesTheReviewedOutput) {
    if (std::getenv("QV_WRITE_DECON_GOLDEN")) {
        TestImage input = GenerateInput();
        ASSERT_TRUE(WritePgm16(kInput, input));
        ASSERT_EQ(RunEngine(input, kGoldenRun), StartOutcome::completed);
        ASSERT_TRUE(WritePgm16(kExpected, input));
    }
    TestImage image, expected;
    ASSERT_TRUE(ReadPgm16(kInput, image)) << kInput;
    ASSERT_TRUE(ReadPgm16(kExpected, expected)) << kExpected;
    ASSERT_EQ(RunEngine(image, kGoldenRun), StartOutcome::completed);
    ASSERT_EQ(image.pixels.size(), expected.pixels.size());
    int mismatches = 0;
    for (int row = 0; row < image.height; ++row)
        for (int column = 0; column < image.width; ++column)
            if (image.At(column, row) != expected.At(column, row) && ++mismatches <= 5)
                ADD_FAILURE() << "pixel " << column << "," << row << ": " << image.At(column, row) << ", reviewed "
                              << expected.At(column, row);
    EXPECT_EQ(mismatches, 0);
}

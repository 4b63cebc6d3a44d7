// Under a decimal-comma locale (the ctest fixture's de_DE.UTF-8, adopted by
// the test main), reals in files keep their decimal point both ways.

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>

#include "fits_test_util.h"

using namespace fitstest;

namespace {

class FitsLocale : public FitsTest {};

}  // namespace

// The process formats with a comma, the library's cards and reads do not.
TEST_F(FitsLocale, RealsKeepTheirPointUnderACommaLocale) {
    char text[16];
    std::snprintf(text, sizeof text, "%.2f", 12.75);
    ASSERT_STREQ(text, "12,75") << "the test runs under a decimal-comma locale";

    FITSHEADER* hdr = p_fits_newopen(4, 16, 2, 2, 1, 0, 0);
    ASSERT_NE(hdr, nullptr);
    VAL value{};
    value.real = 12.75;
    ASSERT_TRUE(fits_append(hdr, KEY_EXPTIME, &value, nullptr));
    value.real = 32768.0;
    ASSERT_TRUE(fits_append(hdr, KEY_BZERO, &value, nullptr));
    value.real = 0.0068;
    ASSERT_TRUE(fits_append(hdr, KEY_XPIXSZ, &value, nullptr));
    const int16_t pixels[2] = {-32768, 100};
    ASSERT_TRUE(fits_write(hdr, pixels, PACK_NONE, path("a.fits").c_str()));
    fits_close(hdr);
    const std::string bytes = read_file(path("a.fits"));
    EXPECT_NE(bytes.find("EXPTIME =   12.750000000000000"), std::string::npos);
    EXPECT_NE(bytes.find("BZERO   =   32768.000000000000"), std::string::npos);
    EXPECT_EQ(bytes.find("12,75"), std::string::npos);
    EXPECT_EQ(bytes.find("0,0068"), std::string::npos);

    hdr = p_fits_open(path("a.fits").c_str(), 0);
    ASSERT_NE(hdr, nullptr);
    EXPECT_EQ(hdr->keys[KEY_EXPTIME].value.real, 12.75);
    EXPECT_EQ(hdr->keys[KEY_XPIXSZ].value.real, 0.0068);
    float read[2];
    ASSERT_TRUE(fits_read(hdr, read, 0, false, nullptr));
    EXPECT_EQ(read[0], 0.0f);
    EXPECT_EQ(read[1], 32868.0f);
    fits_close(hdr);
}

// The import hands the program the reals as written.
TEST_F(FitsLocale, ImportReadsRealsWithAPoint) {
    write_file(path("b.fits"),
               plain_header(image_cards(16, {2, 1}, {"EXPTIME =                12.75", "GAIN    =                  2.5",
                                                     "PIXWIDTH=                0.0068"})) +
                   std::string(2880, '\0'));
    FITSIMAGEINFO info{};
    ASSERT_EQ(FITSImport(FI_HEADER, path("b.fits").c_str(), &info), FI_OK);
    EXPECT_EQ(info.exposureTime, 12.75);
    EXPECT_EQ(info.gain, 2.5);
    EXPECT_EQ(info.pixelWidth, 0.0068);
}

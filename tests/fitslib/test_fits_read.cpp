// Reading data into floats: scaling, undefined pixels, saturation marks,
// failures, and the header rewritten afterwards.

#include <cmath>
#include <cstring>
#include <limits>

#include "fits_test_util.h"

using namespace fitstest;

namespace {

constexpr float kMark = 3.4028235e38f;

class FitsRead : public FitsTest {
protected:
    // Writes a plain image of these cards and big-endian values, opens and reads it.
    std::vector<float> read_image(int bitpix, const std::vector<int>& axes, const std::vector<std::string>& extra,
                                  const std::vector<int64_t>& raw, bool mark = false, float* saturation = nullptr,
                                  bool* ok = nullptr) {
        const int element = bitpix == 8 ? 1 : bitpix == 16 ? 2 : 4;
        write_file(path("r.fits"), plain_header(image_cards(bitpix, axes, extra)) + big_endian(raw, element));
        hdr_ = p_fits_open(path("r.fits").c_str(), 10);
        EXPECT_NE(hdr_, nullptr);
        if (hdr_ == nullptr) return {};
        std::vector<float> pixels(raw.size(), -7.0f);
        const bool read = fits_read(hdr_, pixels.data(), -1.0f, mark, saturation);
        if (ok != nullptr) *ok = read;
        else EXPECT_TRUE(read);
        return pixels;
    }
    void TearDown() override {
        fits_close(hdr_);
        FitsTest::TearDown();
    }
    FITSHEADER* hdr_ = nullptr;
};

std::vector<int64_t> float_bits(const std::vector<float>& values) {
    std::vector<int64_t> bits;
    for (float v : values) {
        uint32_t b;
        std::memcpy(&b, &v, 4);
        bits.push_back(b);
    }
    return bits;
}

}  // namespace

// 16-bit data with BZERO 32768 deliver raw + 32768; the header then describes float data.
TEST_F(FitsRead, BzeroAndHeaderRewrite) {
    const auto pixels = read_image(16, {2, 2}, {"BZERO   =              32768.0", "BSCALE  =                  1.0"},
                                   {-32768, -1, 0, 32767});
    EXPECT_EQ(pixels, (std::vector<float>{0, 32767, 32768, 65535}));
    EXPECT_EQ(hdr_->keys[KEY_BITPIX].value.integer, -32);
    EXPECT_EQ(card_text(hdr_, 1).substr(10, 20), std::string(17, ' ') + "-32");
    EXPECT_FALSE(hdr_->keys[KEY_BZERO].present);
    EXPECT_FALSE(hdr_->keys[KEY_BSCALE].present);
    EXPECT_EQ(hdr_->cards[5].status, CARD_COMMENTOUT);
    ASSERT_TRUE(fits_put(hdr_, path("h.fits").c_str(), false));
    const std::string written = read_file(path("h.fits"));
    EXPECT_EQ(written.substr(5 * 80, 80), card("        *BZERO   =     32768.0"));
}

// 8-bit data are unsigned; 32-bit data honour BLANK, BSCALE and BZERO.
TEST_F(FitsRead, IntegerKinds) {
    EXPECT_EQ(read_image(8, {4}, {}, {0x00, 0x01, 0x80, 0xFF}), (std::vector<float>{0, 1, 128, 255}));
    fits_close(hdr_);
    hdr_ = nullptr;
    const auto pixels = read_image(32, {2, 2, 1}, {"BZERO   =                 10.0", "BSCALE  =                  2.0",
                                                   "BLANK   =          -2147483648"},
                                   {-2147483648LL, 5, -5, 2147483647});
    EXPECT_EQ(pixels, (std::vector<float>{-1.0f, 20.0f, 0.0f, static_cast<float>(10.0 + 2.0 * 2147483647.0)}));
    EXPECT_FALSE(hdr_->keys[KEY_BLANK].present);
}

// Real data: not-a-number and infinities are undefined whatever BLANK says; other values pass bit for bit.
TEST_F(FitsRead, FloatData) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const auto pixels = read_image(-32, {6}, {"BLANK   =                    7"},
                                   float_bits({1.5f, nan, -inf, -0.0f, 7.0f, 1e-40f}));
    EXPECT_EQ(pixels[0], 1.5f);
    EXPECT_EQ(pixels[1], -1.0f);
    EXPECT_EQ(pixels[2], -1.0f);
    EXPECT_TRUE(std::signbit(pixels[3]));
    EXPECT_EQ(pixels[4], 7.0f);
    EXPECT_EQ(pixels[5], 1e-40f);
}

// With marking, raw values equal to SATURATE become the largest float; the level comes back scaled.
TEST_F(FitsRead, Saturation) {
    float level = 0;
    auto pixels = read_image(32, {3}, {"SATURATE=              65535.0", "BSCALE  =                  2.0"},
                             {65535, 65534, 3}, true, &level);
    EXPECT_EQ(pixels, (std::vector<float>{kMark, 131068.0f, 6.0f}));
    EXPECT_EQ(level, 131070.0f);
    EXPECT_FALSE(hdr_->keys[KEY_SATURATE].present);
    fits_close(hdr_);
    hdr_ = nullptr;

    pixels = read_image(32, {3}, {"SATURATE=              65535.0"}, {65535, 65534, 3}, false, &level);
    EXPECT_EQ(pixels, (std::vector<float>{65535.0f, 65534.0f, 3.0f}));
    fits_close(hdr_);
    hdr_ = nullptr;

    pixels = read_image(16, {2}, {}, {100, 200}, true, &level);
    EXPECT_EQ(pixels, (std::vector<float>{100.0f, 200.0f}));
    EXPECT_EQ(level, kMark) << "no SATURATE: the level is the largest float and nothing is marked";
}

// Unreadable data: BITPIX -64 (3), data cut short (10, earlier rows kept), header left as it was.
TEST_F(FitsRead, Failures) {
    write_file(path("d.fits"), plain_header(image_cards(-64, {2})) + std::string(16, '\0'));
    FITSHEADER* hdr = p_fits_open(path("d.fits").c_str(), 0);
    ASSERT_NE(hdr, nullptr);
    float pixels[4] = {};
    EXPECT_EQ(codes_of([&] { EXPECT_FALSE(fits_read(hdr, pixels, 0, false, nullptr)); }), std::vector<int>{3});
    fits_close(hdr);

    write_file(path("s.fits"), plain_header(image_cards(16, {2, 2})) + big_endian({1, 2, 3}, 2));
    hdr = p_fits_open(path("s.fits").c_str(), 0);
    ASSERT_NE(hdr, nullptr);
    EXPECT_EQ(codes_of([&] { EXPECT_FALSE(fits_read(hdr, pixels, 0, false, nullptr)); }), std::vector<int>{10});
    EXPECT_EQ(pixels[0], 1.0f);
    EXPECT_EQ(pixels[1], 2.0f);
    EXPECT_EQ(hdr->keys[KEY_BITPIX].value.integer, 16);

    // Axis lengths whose product overflows 64 bits are refused, not wrapped into a small buffer.
    write_file(path("o.fits"), plain_header(image_cards(32, {2147483647, 2147483647, 2147483647})));
    FITSHEADER* huge = p_fits_open(path("o.fits").c_str(), 0);
    ASSERT_NE(huge, nullptr);
    EXPECT_EQ(codes_of([&] { EXPECT_FALSE(fits_read(huge, pixels, 0, false, nullptr)); }), std::vector<int>{4});
    EXPECT_EQ(codes_of([&] { EXPECT_FALSE(fits_write(huge, pixels, PACK_NONE, path("w.fits").c_str())); }),
              std::vector<int>{20});
    EXPECT_EQ(codes_of([&] { EXPECT_FALSE(fits_write(huge, pixels, PACK_DIFF, path("w.fits").c_str())); }),
              std::vector<int>{20});
    fits_close(huge);

    std::filesystem::remove(path("s.fits"));
    EXPECT_EQ(codes_of([&] { EXPECT_FALSE(fits_read(hdr, pixels, 0, false, nullptr)); }), std::vector<int>{1});
    fits_close(hdr);
}

// Images larger than one read chunk arrive whole and in file order, planes included.
TEST_F(FitsRead, LargeCube) {
    const int width = 300, height = 500, planes = 2;
    std::vector<int64_t> raw;
    for (int i = 0; i < width * height * planes; ++i) raw.push_back(i % 65536 - 32768);
    const auto pixels = read_image(16, {width, height, planes}, {"BZERO   =                32768"}, raw);
    ASSERT_EQ(pixels.size(), raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        ASSERT_EQ(pixels[i], static_cast<float>(raw[i] + 32768)) << "pixel " << i;
    }
}

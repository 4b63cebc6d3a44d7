// Packed files carry DATASUM and CHECKSUM and are refused when damaged;
// plain files that carry the cards get them brought up to date.

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "fits_test_util.h"

using namespace fitstest;

namespace {

constexpr int kWidth = 24;
constexpr int kHeight = 9;

std::vector<int16_t> noisy_image() {
    std::vector<int16_t> values;
    uint32_t seed = 99;
    for (int i = 0; i < kWidth * kHeight; ++i) {
        seed = seed * 1664525u + 1013904223u;
        values.push_back(static_cast<int16_t>(1000 + (seed >> 26) + (i % 37 == 0 ? 9000 : 0)));
    }
    return values;
}

// The ones' complement sum of a whole file, as a checker computes it.
uint32_t file_sum(const std::string& bytes) {
    FitsSum sum;
    sum.add(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return sum.value();
}

class FitsChecksum : public FitsTest {
protected:
    void SetUp() override {
        FitsTest::SetUp();
        pixels = noisy_image();
        FITSHEADER* hdr = p_fits_newopen(0, 16, 2, kWidth, kHeight, 0, 0);
        ASSERT_NE(hdr, nullptr);
        ASSERT_TRUE(fits_write(hdr, pixels.data(), PACK_DIFF, path("good.fits").c_str()));
        fits_close(hdr);
        good = read_file(path("good.fits"));
    }
    // Opens and reads `name`: the codes reported, and whether the pixels came back.
    std::vector<int> load(const std::string& name, std::vector<float>* out = nullptr) {
        return codes_of([&] {
            FITSHEADER* hdr = p_fits_open(path(name).c_str(), 0);
            if (hdr == nullptr) return;
            std::vector<float> values(size_t(kWidth) * kHeight);
            if (fits_read(hdr, values.data(), 0, false, nullptr) && out != nullptr) *out = values;
            fits_close(hdr);
        });
    }
    std::string with_replaced(std::string bytes, const std::string& from, const std::string& to) {
        const size_t at = bytes.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) bytes.replace(at, from.size(), to);
        return bytes;
    }
    std::vector<int16_t> pixels;
    std::string good;
};

}  // namespace

// A packed file names its sums, and reads back whole without a report.
TEST_F(FitsChecksum, PackedFileCarriesTheCards) {
    EXPECT_NE(good.find("DATASUM"), std::string::npos);
    EXPECT_NE(good.find("CHECKSUM"), std::string::npos);
    std::vector<float> values;
    EXPECT_TRUE(load("good.fits", &values).empty()) << last_stderr_;
    ASSERT_EQ(values.size(), pixels.size());
    for (size_t i = 0; i < pixels.size(); ++i) ASSERT_EQ(values[i], pixels[i]) << i;
}

// No single flipped bit anywhere in a packed file delivers wrong pixels
// without an error: it is refused, or (unused bits) changes nothing.
TEST_F(FitsChecksum, EveryBitFlipIsRefusedOrHarmless) {
    int refused = 0;
    int flips = 0;
    ::testing::internal::CaptureStderr();
    for (size_t byte = 0; byte < good.size(); ++byte, ++flips) {
        const int bit = static_cast<int>(byte % 8);
        std::string bad = good;
        bad[byte] = static_cast<char>(bad[byte] ^ (1 << bit));
        write_file(path("bad.fits"), bad);
        std::vector<float> values;
        FITSHEADER* hdr = p_fits_open(path("bad.fits").c_str(), 0);
        if (hdr != nullptr) {
            values.resize(pixels.size());
            if (!fits_read(hdr, values.data(), 0, false, nullptr)) values.clear();
            fits_close(hdr);
        }
        if (values.empty()) {
            ++refused;
            continue;
        }
        for (size_t i = 0; i < pixels.size(); ++i)
            ASSERT_EQ(values[i], pixels[i]) << "byte " << byte << " bit " << bit << " pixel " << i;
    }
    const std::vector<int> codes = error_codes(::testing::internal::GetCapturedStderr());
    EXPECT_GE(codes.size(), static_cast<size_t>(refused));
    EXPECT_GT(refused, flips * 95 / 100) << refused << " of " << flips;
    EXPECT_GT(refused, flips * 9 / 10);
}

// A lowered NAXIS2 is caught by CHECKSUM when the file is opened; without
// CHECKSUM the stream left over after the last pixel is damage (7).
TEST_F(FitsChecksum, LoweredRowCountIsRefused) {
    // Packed cards: "NAXIS2", two blanks, "=", twenty blanks, the value.
    const std::string lowered = with_replaced(good, "NAXIS2\x82=\x94" "9", "NAXIS2\x82=\x94" "5");
    write_file(path("bad.fits"), lowered);
    EXPECT_EQ(load("bad.fits"), std::vector<int>{92});
    EXPECT_NE(last_stderr_.find("checksum mismatch"), std::string::npos) << last_stderr_;
    write_file(path("bad.fits"), with_replaced(lowered, "CHECKSUM", "CHECKSUX"));
    EXPECT_EQ(load("bad.fits"), std::vector<int>{7});
    EXPECT_NE(last_stderr_.find("data left after the last pixel"), std::string::npos) << last_stderr_;
}

// Bytes appended after the stream are damage; so are pixels that do not add
// up to DATASUM when the header sum was made to agree.
TEST_F(FitsChecksum, TrailingDataAndDataSumMismatch) {
    write_file(path("bad.fits"), good + std::string(8, '\0'));
    EXPECT_EQ(load("bad.fits"), std::vector<int>{7});

    // A changed DATASUM: CHECKSUM no longer agrees with the header.
    const std::string datasum = "DATASUM\x81=\x81'";
    std::string data = good;
    const size_t at = data.find(datasum) + datasum.size();
    ASSERT_GT(at, datasum.size());
    data[at] = data[at] == '1' ? '2' : '1';
    write_file(path("bad.fits"), data);
    EXPECT_EQ(load("bad.fits"), std::vector<int>{92});

    // Without CHECKSUM, DATASUM alone is checked against the pixels read.
    write_file(path("bad.fits"), with_replaced(data, "CHECKSUM", "CHECKSUX"));
    EXPECT_EQ(load("bad.fits"), std::vector<int>{92});
    EXPECT_NE(last_stderr_.find("DATASUM"), std::string::npos) << last_stderr_;
}

// Packed files written before the cards existed still open and read.
TEST_F(FitsChecksum, OldPackedFilesStillOpen) {
    for (const char* name : {"packed_u16_diff.fits", "packed_u8_direct.fits", "packed_i32_best.fits"}) {
        const std::string old = read_file(std::string(ORBEX_CORPUS) + "/" + name);
        ASSERT_EQ(old.find("CHECKSUM"), std::string::npos) << name;
        write_file(path("old.fits"), old);
        FITSHEADER* hdr = nullptr;
        EXPECT_TRUE(codes_of([&] { hdr = p_fits_open(path("old.fits").c_str(), 0); }).empty()) << name;
        ASSERT_NE(hdr, nullptr) << name;
        uint64_t count = 0;
        ASSERT_TRUE(fits_pixelcount(hdr, 4, FE_READ_ROWBUF, &count));
        std::vector<float> values(count);
        EXPECT_TRUE(fits_read(hdr, values.data(), 0, false, nullptr)) << name;
        fits_close(hdr);
    }
}

// A plain file whose header carries the cards gets sums that make the whole
// file add up to negative zero; one without them is written without.
TEST_F(FitsChecksum, PlainFilesKeepTheirCardsTrue) {
    FITSHEADER* hdr = p_fits_open(path("good.fits").c_str(), 0);
    ASSERT_NE(hdr, nullptr);
    std::vector<int16_t> other(pixels.size(), 7);
    ASSERT_TRUE(fits_write(hdr, other.data(), PACK_NONE, path("plain.fits").c_str()));
    fits_close(hdr);
    const std::string plain = read_file(path("plain.fits"));
    EXPECT_EQ(file_sum(plain), 0xFFFFFFFFu);
    EXPECT_EQ(plain.size() % 2880, 0u);

    hdr = p_fits_newopen(0, 16, 2, kWidth, kHeight, 0, 0);
    ASSERT_TRUE(fits_write(hdr, other.data(), PACK_NONE, path("bare.fits").c_str()));
    fits_close(hdr);
    EXPECT_EQ(read_file(path("bare.fits")).find("CHECKSUM"), std::string::npos);
}

// The text encoding: known sums from the checksum convention's description.
TEST(FitsChecksumText, EncodesTheComplement) {
    char text[17] = {};
    fits_checksum_encode(0xFFFFFFFFu, text);  // complement 0
    EXPECT_STREQ(text, "0000000000000000");
    // Any sum: the encoded text added where zeros stood completes the sum.
    for (uint32_t sum : {0u, 1u, 0x12345678u, 0xDEADBEEFu, 0x7FFFFFFFu}) {
        fits_checksum_encode(sum, text);
        // Column 12 of a card is the last byte of a 32-bit word.
        std::string block = "   " + std::string(text, 16) + " ";
        std::string zeros = "   0000000000000000 ";
        FitsSum a, b;
        a.add(reinterpret_cast<const uint8_t*>(block.data()), block.size());
        b.add(reinterpret_cast<const uint8_t*>(zeros.data()), zeros.size());
        EXPECT_EQ(fits_sumadd(b.value(), ~sum), a.value()) << sum;
        for (char c : std::string(text, 16)) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << text;
    }
}

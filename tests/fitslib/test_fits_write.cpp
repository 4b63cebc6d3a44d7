// Writing headers and images: byte layout, commented-out cards, float
// images as scaled integers, record copies, and failed writes.

#include <csignal>
#include <cstring>
#include <limits>

#include <sys/resource.h>

#include "fits_test_util.h"

using namespace fitstest;

namespace {

class FitsWrite : public FitsTest {};

std::string header_bytes(const FITSHEADER* hdr) {
    std::vector<std::string> cards;
    for (int i = 0; i < hdr->ncards; ++i) cards.push_back(card_text(hdr, i));
    return plain_header(cards);
}

}  // namespace

// p_fits_newopen + fits_write: header, big-endian data, zero padding to whole records.
TEST_F(FitsWrite, PlainFileLayout) {
    FITSHEADER* hdr = p_fits_newopen(0, 16, 2, 640, 480, 0, 0);
    ASSERT_NE(hdr, nullptr);
    std::vector<int16_t> pixels(640 * 480);
    std::vector<int64_t> values;
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<int16_t>(i * 7 - 30000);
        values.push_back(pixels[i]);
    }
    ASSERT_TRUE(fits_write(hdr, pixels.data(), PACK_NONE, path("a.fits").c_str()));
    const std::string bytes = read_file(path("a.fits"));
    ASSERT_EQ(bytes.size(), 2880u + 616320u);
    EXPECT_EQ(bytes.substr(0, 2880), header_bytes(hdr));
    EXPECT_EQ(bytes.substr(2880, 614400), big_endian(values, 2));
    EXPECT_EQ(bytes.substr(2880 + 614400), std::string(1920, '\0'));
    EXPECT_EQ(hdr->dataoffset, 2880);
    EXPECT_STREQ(hdr->name, path("a.fits").c_str());
    fits_close(hdr);

    // Data filling whole records get no padding.
    hdr = p_fits_newopen(0, 16, 2, 1440, 2, 0, 0);
    std::vector<int16_t> exact(1440 * 2, 1);
    ASSERT_TRUE(fits_write(hdr, exact.data(), PACK_NONE, path("b.fits").c_str()));
    EXPECT_EQ(std::filesystem::file_size(path("b.fits")), 2880u + 5760u);
    fits_close(hdr);

    // A header of three cards is one record.
    hdr = p_fits_newopen(0, 8, 0, 0, 0, 0, 0);
    ASSERT_EQ(hdr->ncards, 3);
    ASSERT_TRUE(fits_put(hdr, path("c.fits").c_str(), false));
    EXPECT_EQ(read_file(path("c.fits")), header_bytes(hdr));
    fits_close(hdr);
}

// Every BITPIX written and read back gives the same values.
TEST_F(FitsWrite, RoundTripEveryKind) {
    const std::vector<double> values = {0, 1, 127, 255, -1, 32767, -32768, 2147483647, -2147483647, 0.25};
    for (int bitpix : {8, 16, 32, -32}) {
        FITSHEADER* hdr = p_fits_newopen(0, bitpix, 1, static_cast<int>(values.size()), 0, 0, 0);
        std::vector<uint8_t> data(values.size() * 4);
        std::vector<float> expected;
        for (size_t i = 0; i < values.size(); ++i) {
            const double v = values[i];
            if (bitpix == 8) data[i] = static_cast<uint8_t>(static_cast<int64_t>(v));
            if (bitpix == 16) reinterpret_cast<int16_t*>(data.data())[i] = static_cast<int16_t>(static_cast<int64_t>(v));
            if (bitpix == 32) reinterpret_cast<int32_t*>(data.data())[i] = static_cast<int32_t>(static_cast<int64_t>(v));
            if (bitpix == -32) reinterpret_cast<float*>(data.data())[i] = static_cast<float>(v);
        }
        for (size_t i = 0; i < values.size(); ++i) {
            if (bitpix == 8) expected.push_back(data[i]);
            if (bitpix == 16) expected.push_back(reinterpret_cast<int16_t*>(data.data())[i]);
            if (bitpix == 32) expected.push_back(static_cast<float>(reinterpret_cast<int32_t*>(data.data())[i]));
            if (bitpix == -32) expected.push_back(reinterpret_cast<float*>(data.data())[i]);
        }
        ASSERT_TRUE(fits_write(hdr, data.data(), PACK_NONE, path("k.fits").c_str())) << bitpix;
        fits_close(hdr);
        hdr = p_fits_open(path("k.fits").c_str(), 0);
        ASSERT_NE(hdr, nullptr) << bitpix;
        std::vector<float> pixels(values.size());
        ASSERT_TRUE(fits_read(hdr, pixels.data(), 0, false, nullptr)) << bitpix;
        EXPECT_EQ(pixels, expected) << "BITPIX " << bitpix;
        fits_close(hdr);
    }
}

// Commented-out cards are rewritten by the first layout that fits the old card.
TEST_F(FitsWrite, CommentedOutLayouts) {
    FITSHEADER* hdr = p_fits_newopen(4, 8, 0, 0, 0, 0, 0);
    const std::string olds[] = {
        card("HISTORY           rule one text"),
        card("OBJECT  = 'M13     '           / rule two"),
        card("EXPTIME =   1.0000000000000000 /" + std::string(48, 'e')),
        card("HISTORY  " + std::string(71, 'h')),
    };
    for (const auto& old : olds) {
        ASSERT_TRUE(fits_append(hdr, KEY_COMMENT, nullptr, "x"));
        CARDSLOT& slot = hdr->cards[hdr->ncards - 1];
        std::memcpy(slot.text, old.data(), ORBEX_CARD_CHARS);
        slot.status = CARD_COMMENTOUT;
    }
    ASSERT_TRUE(fits_put(hdr, path("c.fits").c_str(), false));
    const std::string bytes = read_file(path("c.fits"));
    const std::string written[] = {
        card("        *HISTORY  rule one text"),
        card("        *" + olds[1].substr(0, 71)),
        card("        *EXPTIME = "),
        card("          " + olds[2].substr(10)),
        card("        *HISTORY "),
        card("        " + olds[3].substr(8)),
    };
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(bytes.substr(static_cast<size_t>(3 + i) * 80, 80), written[i]) << "written card " << i;
    }
    EXPECT_EQ(bytes.substr(9 * 80, 80), card("END"));
    fits_close(hdr);
}

// A packed header: "SIMPLE" then the byte 0x82, runs of blanks as 128 + k, top bits cleared, padded to 4.
TEST_F(FitsWrite, PackedHeaderBytes) {
    FITSHEADER* hdr = p_fits_newopen(1, 8, 1, 3, 0, 0, 0);
    VAL object{};
    std::strcpy(object.text, "A\xC1");
    ASSERT_TRUE(fits_append(hdr, KEY_OBJECT, &object, nullptr));
    ASSERT_TRUE(fits_put(hdr, path("p.fits").c_str(), true));
    const std::string bytes = read_file(path("p.fits"));
    EXPECT_EQ(bytes.substr(0, 12), std::string("SIMPLE\x82=\x94T\xB2", 11) + "B");
    EXPECT_NE(bytes.find("'AA"), std::string::npos) << "top bit cleared";
    EXPECT_EQ(bytes.size() % 4, 0u);
    EXPECT_EQ(static_cast<size_t>(hdr->dataoffset), bytes.size());
    EXPECT_TRUE(hdr->packed);
    fits_close(hdr);
}

// fits_floatwrite after fits_read writes scaled 32-bit integers with BLANK, SATURATE and BSCALE appended.
TEST_F(FitsWrite, FloatWriteAfterRead) {
    write_file(path("in.fits"), plain_header(image_cards(16, {3, 2}, {"BZERO   =              32768.0"})) +
                                    big_endian({1, 2, 3, 4, 5, 6}, 2));
    FITSHEADER* hdr = p_fits_open(path("in.fits").c_str(), 0);
    ASSERT_NE(hdr, nullptr);
    std::vector<float> pixels(6);
    ASSERT_TRUE(fits_read(hdr, pixels.data(), 0, false, nullptr));
    const int before = hdr->ncards;
    pixels = {1000.7f, 3.4028235e38f, std::numeric_limits<float>::quiet_NaN(), 3e9f, -3e9f, -2.9f};
    std::vector<int32_t> work(6);
    ASSERT_TRUE(fits_floatwrite(hdr, pixels.data(), work.data(), 1.0, PACK_NONE, path("out.fits").c_str()));
    EXPECT_EQ(work, (std::vector<int32_t>{1000, 2147483647, 2147483647, 2147483647, -2147483647, -2}));
    EXPECT_EQ(hdr->ncards, before) << "the caller's record is not changed";
    EXPECT_EQ(hdr->keys[KEY_BITPIX].value.integer, -32);
    EXPECT_STREQ(hdr->name, path("out.fits").c_str());
    fits_close(hdr);

    FITSHEADER* back = p_fits_open(path("out.fits").c_str(), 0);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->keys[KEY_BITPIX].value.integer, 32);
    EXPECT_EQ(back->keys[KEY_BLANK].value.integer, std::numeric_limits<int32_t>::min());
    EXPECT_EQ(back->keys[KEY_SATURATE].value.real, 2147483647.0);
    EXPECT_EQ(back->keys[KEY_BSCALE].value.real, 1.0);
    EXPECT_FALSE(back->keys[KEY_BZERO].present);
    EXPECT_EQ(card_text(back, 5).substr(0, 18), "        *BZERO   =");
    EXPECT_EQ(card_text(back, 6), card("BLANK   =          -2147483648 /array value for undefined pixels, int's only"));
    EXPECT_EQ(back->keys[KEY_BSCALE].card, 8);
    fits_close(back);

    FITSHEADER* integer = p_fits_newopen(0, 16, 1, 6, 0, 0, 0);
    EXPECT_EQ(codes_of([&] {
                  EXPECT_FALSE(fits_floatwrite(integer, pixels.data(), work.data(), 1.0, PACK_NONE,
                                               path("bad.fits").c_str()));
              }),
              std::vector<int>{88});
    EXPECT_FALSE(std::filesystem::exists(path("bad.fits")));
    fits_close(integer);
}

// Copies are identical; resizing grows or shrinks the free card slots.
TEST_F(FitsWrite, CopyAndResize) {
    FITSHEADER* hdr = p_fits_newopen(7, 16, 2, 4, 4, 0, 0);
    FITSHEADER* copy = p_fits_copy(hdr);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::memcmp(copy, hdr, fits_recordbytes(hdr->maxcards)), 0);
    copy = p_fits_resize(copy, 0);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->maxcards, 5);
    copy = p_fits_resize(copy, 40);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->maxcards, 45);
    EXPECT_EQ(copy->cards[44].status, CARD_KEEP);
    EXPECT_EQ(p_fits_resize(copy, -1), nullptr);
    EXPECT_EQ(copy->maxcards, 45) << "a refused resize leaves the record as it was";
    fits_close(copy);
    fits_close(hdr);
}

// Refused writes create nothing: reals cannot be packed (12), over-long paths are not cut (48).
TEST_F(FitsWrite, RefusedBeforeWriting) {
    FITSHEADER* hdr = p_fits_newopen(0, -32, 1, 2, 0, 0, 0);
    const float pixels[2] = {1, 2};
    EXPECT_EQ(codes_of([&] { EXPECT_FALSE(fits_write(hdr, pixels, PACK_DIRECT, path("r.fits").c_str())); }),
              std::vector<int>{12});
    EXPECT_FALSE(std::filesystem::exists(path("r.fits")));
    const std::string longname = path(std::string(300, 'n'));
    EXPECT_EQ(codes_of([&] { EXPECT_FALSE(fits_write(hdr, pixels, PACK_NONE, longname.c_str())); }),
              std::vector<int>{48});
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()), 0);
    EXPECT_EQ(codes_of([&] { EXPECT_FALSE(fits_put(hdr, path("none/x.fits").c_str(), false)); }),
              std::vector<int>{48});
    fits_close(hdr);
}

// A write that fails part-way (here: the file size limit) leaves the file it would replace untouched.
TEST_F(FitsWrite, FailedWriteKeepsOriginal) {
    write_file(path("keep.fits"), "original contents");
    FITSHEADER* hdr = p_fits_newopen(0, 16, 2, 512, 512, 0, 0);
    std::vector<int16_t> pixels(512 * 512, 3);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 100000;
    setrlimit(RLIMIT_FSIZE, &small);
    const auto codes = codes_of([&] { EXPECT_FALSE(fits_write(hdr, pixels.data(), PACK_NONE, path("keep.fits").c_str())); });
    setrlimit(RLIMIT_FSIZE, &old);
    ASSERT_EQ(codes.size(), 1u) << last_stderr_;
    EXPECT_TRUE(codes[0] >= 16 && codes[0] <= 19) << "a data write error, got " << last_stderr_;
    EXPECT_EQ(read_file(path("keep.fits")), "original contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()), 1)
        << "no partial file is left beside the original";
    fits_close(hdr);
}

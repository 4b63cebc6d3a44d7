// Opening files: signatures, card reading, the header parse with its
// warnings and fatal checks.

#include <cstring>

#include "fits_test_util.h"

using namespace fitstest;

namespace {

class FitsOpen : public FitsTest {
protected:
    // Writes a plain file of these cards (and `data`) and opens it.
    FITSHEADER* open_cards(const std::vector<std::string>& cards, const std::string& data = "") {
        write_file(path("h.fits"), plain_header(cards) + data);
        return p_fits_open(path("h.fits").c_str(), 0);
    }
    std::vector<int> open_codes(const std::vector<std::string>& cards, FITSHEADER** hdr) {
        return codes_of([&] { *hdr = open_cards(cards); });
    }
};

}  // namespace

// Each broken mandatory part of a header is fatal with its own code.
TEST_F(FitsOpen, FatalHeaderCodes) {
    const struct {
        std::vector<std::string> cards;
        int code;
    } cases[] = {
        {{"SIMPLE  =                    T", "NAXIS   =                    0"}, 40},
        {{"SIMPLE  =                    T", "BITPIX  =                   16", "NAXIS   =                    2",
          "NAXIS1  =                    4"}, 40},
        {{"SIMPLE  =                    F", "BITPIX  =                   16", "NAXIS   =                    1",
          "NAXIS1  =                    4"}, 41},
        {image_cards(12, {4}), 42},
        {image_cards(16, {4, 4, 4, 0}), 43},
        {image_cards(16, {4, 4, 0}), 44},
        {image_cards(16, {4, 0}), 45},
        {image_cards(16, {-3}), 46},
        {image_cards(16, {}), 47},
        {image_cards(16, {1, 1, 1, 1, 1}), 47},
        {image_cards(16, {4, 4}, {"NAXIS3  =                    1"}), 44},
        {image_cards(16, {4}, {"NAXIS4  =                    1"}), 43},
    };
    for (const auto& c : cases) {
        FITSHEADER* hdr = nullptr;
        EXPECT_EQ(open_codes(c.cards, &hdr), std::vector<int>{c.code}) << last_stderr_;
        EXPECT_EQ(hdr, nullptr) << "code " << c.code;
        fits_close(hdr);
    }
    EXPECT_NE(last_stderr_.find("h.fits error 43: illegal NAXIS4"), std::string::npos) << last_stderr_;
}

// Missing files, short files, wrong signatures, long paths and cut headers are refused.
TEST_F(FitsOpen, FileLevelRefusals) {
    EXPECT_EQ(codes_of([&] { EXPECT_EQ(p_fits_open(path("none.fits").c_str(), 0), nullptr); }),
              std::vector<int>{24});
    write_file(path("short.fits"), "SIMPL");
    EXPECT_EQ(codes_of([&] { EXPECT_EQ(p_fits_open(path("short.fits").c_str(), 0), nullptr); }),
              std::vector<int>{25});
    write_file(path("text.fits"), "XTENSION= 'IMAGE   '");
    EXPECT_EQ(codes_of([&] { EXPECT_EQ(p_fits_open(path("text.fits").c_str(), 0), nullptr); }),
              std::vector<int>{26});
    write_file(path("cut.fits"), plain_header(image_cards(16, {4})).substr(0, 200));
    EXPECT_EQ(codes_of([&] { EXPECT_EQ(p_fits_open(path("cut.fits").c_str(), 0), nullptr); }),
              std::vector<int>{35});
    // A path that does not fit the record is not cut into a different file name.
    const std::string full = plain_header(image_cards(16, {4}));
    const std::string shortname = path(std::string(200, 'a'));
    const std::string longname = shortname + std::string(100, 'a');
    write_file(shortname.substr(0, FITS_NAME_MAX), full);
    EXPECT_EQ(codes_of([&] { EXPECT_EQ(p_fits_open(longname.c_str(), 0), nullptr); }), std::vector<int>{24});
}

// Packed cards: runs of blanks are single bytes; a run past column 80 (34) or a cut card (33) is refused.
TEST_F(FitsOpen, PackedCards) {
    std::string bytes = "SIMPLE\x82=\x94T\xB2";
    bytes += "BITPIX\x82=\x94" "8\xB2";
    bytes += "NAXIS\x83=\x94" "1\xB2";
    bytes += "NAXIS1\x82=\x94" "4\xB2";
    bytes += "END\xCD";
    write_file(path("p.fits"), bytes + std::string(3, ' '));
    FITSHEADER* hdr = p_fits_open(path("p.fits").c_str(), 2);
    ASSERT_NE(hdr, nullptr);
    EXPECT_TRUE(hdr->packed);
    EXPECT_EQ(hdr->ncards, 4);
    EXPECT_EQ(hdr->maxcards, 6);
    EXPECT_EQ(hdr->dataoffset, static_cast<int32_t>((bytes.size() + 3) / 4 * 4));
    EXPECT_EQ(card_text(hdr, 1), card("BITPIX  =                    8"));
    fits_close(hdr);

    std::string overlong = bytes;
    overlong[8] = static_cast<char>(0xA0);  // 32 blanks where 20 fit
    write_file(path("long.fits"), overlong);
    EXPECT_EQ(codes_of([&] { EXPECT_EQ(p_fits_open(path("long.fits").c_str(), 0), nullptr); }),
              std::vector<int>{34});
    write_file(path("cut.fits"), bytes.substr(0, bytes.size() - 1));
    EXPECT_EQ(codes_of([&] { EXPECT_EQ(p_fits_open(path("cut.fits").c_str(), 0), nullptr); }),
              std::vector<int>{33});
}

// Warnings 36-39 are reported but the header still opens, with the last card winning.
TEST_F(FitsOpen, WarningsDoNotStop) {
    FITSHEADER* hdr = nullptr;
    const auto codes = open_codes(image_cards(16, {4}, {
        "OBJECT  = 'M13     '",
        "OBJECT  = 'M92     '",
        "TELESCOP= Newton",
        "INSTRUME= '" + std::string(68, 'a') + "z",
        "DATE      '2001-05-17'",
    }), &hdr);
    ASSERT_NE(hdr, nullptr);
    EXPECT_EQ(codes, (std::vector<int>{36, 37, 38, 39}));
    EXPECT_STREQ(hdr->keys[KEY_OBJECT].value.text, "M92");
    EXPECT_EQ(hdr->keys[KEY_OBJECT].card, 5);
    EXPECT_FALSE(hdr->keys[KEY_TELESCOP].present);
    EXPECT_TRUE(hdr->keys[KEY_INSTRUME].present);
    EXPECT_EQ(std::string(hdr->keys[KEY_INSTRUME].value.text), std::string(68, 'a'));
    EXPECT_FALSE(hdr->keys[KEY_DATE].present);
    EXPECT_NE(last_stderr_.find("error 36: doubly defined OBJECT\n"), std::string::npos) << last_stderr_;
    fits_close(hdr);
}

// Values: names upper-cased, types inferred from the card, strings unquoted, numbers read as far as they go.
TEST_F(FitsOpen, ValuesAndTypes) {
    FITSHEADER* hdr = nullptr;
    const std::vector<std::string> cards = {
        "SIMPLE  =                    T", "bitpix  =                   16", "NAXIS   =                    1",
        "NAXIS1  =                    4",
        "OBJECT  = 'ABC     '",
        "OBSERVER= ''",
        "NOTES   = '        '",
        "FILTER  = 'it''s'              / comment",
        "EACHSNAP=                    1",
        "EXPOSURE=                  5.0 / seconds",
        "FLIPPED =                    T",
        "CRVAL1  =              1.5D+02",
        "HUGE    =          99999999999",
        "NEGATIVE=                  -42 / below zero",
        "HISTORY  calibrated",
        "",
    };
    EXPECT_TRUE(open_codes(cards, &hdr).empty()) << last_stderr_;
    ASSERT_NE(hdr, nullptr);
    EXPECT_EQ(hdr->keys[KEY_BITPIX].value.integer, 16);
    EXPECT_STREQ(hdr->keys[KEY_OBJECT].value.text, "ABC");
    EXPECT_STREQ(hdr->keys[KEY_OBSERVER].value.text, "");
    EXPECT_STREQ(hdr->keys[KEY_NOTES].value.text, "");
    EXPECT_STREQ(hdr->keys[KEY_FILTER].value.text, "it's");
    const struct {
        const char* name;
        KEYTYPE type;
    } inferred[] = {{"EACHSNAP", KT_INTEGER}, {"EXPOSURE", KT_REAL}, {"FLIPPED", KT_LOGICAL},
                    {"HUGE", KT_INTEGER}, {"NEGATIVE", KT_INTEGER}};
    for (const auto& k : inferred) {
        const KEYFIND f = fits_anykeyfind(hdr, k.name);
        ASSERT_TRUE(f.found) << k.name;
        EXPECT_EQ(f.type, k.type) << k.name;
        EXPECT_TRUE(hdr->keys[f.index].repeatable) << k.name;
    }
    EXPECT_EQ(hdr->keys[fits_anykeyfind(hdr, "EXPOSURE").index].value.real, 5.0);
    EXPECT_EQ(hdr->keys[fits_anykeyfind(hdr, "FLIPPED").index].value.logical, 1);
    EXPECT_EQ(hdr->keys[KEY_CRVAL1].value.real, 150.0);
    EXPECT_EQ(hdr->keys[fits_anykeyfind(hdr, "HUGE").index].value.integer, 2147483647);
    EXPECT_EQ(hdr->keys[fits_anykeyfind(hdr, "NEGATIVE").index].value.integer, -42);
    EXPECT_TRUE(hdr->keys[KEY_HISTORY].present);
    EXPECT_EQ(hdr->ncards, 16) << "blank cards are kept";
    EXPECT_EQ(hdr->dataoffset, 2880);
    fits_close(hdr);
}

// Long headers grow the card array; keywords beyond the 245 slots keep their cards but get no slot.
TEST_F(FitsOpen, ManyCards) {
    std::vector<std::string> extra;
    for (int i = 0; i < 300; ++i) {
        const std::string name = "KEY" + std::to_string(i);
        extra.push_back(name + std::string(8 - name.size(), ' ') + "=                    1");
    }
    FITSHEADER* hdr = nullptr;
    EXPECT_TRUE(open_codes(image_cards(8, {2, 2}, extra), &hdr).empty()) << last_stderr_;
    ASSERT_NE(hdr, nullptr);
    EXPECT_EQ(hdr->ncards, 305);
    EXPECT_EQ(hdr->maxcards, 305);
    EXPECT_EQ(hdr->nkeys, ORBEX_MAX_KEYS);
    EXPECT_EQ(hdr->dataoffset, 2880 * 9);
    EXPECT_FALSE(fits_anykeyfind(hdr, "KEY299").found);
    fits_close(hdr);
}

// The shared sample images open with their card counts.
TEST_F(FitsOpen, SampleImages) {
    const struct {
        const char* file;
        int cards;
    } samples[] = {{"M13_blue_0001.fits", 26}, {"HorseHead.fits", 161}};
    for (const auto& s : samples) {
        const std::string file = std::string(QV_SHARED_DATA) + "/" + s.file;
        if (!std::filesystem::exists(file)) GTEST_FAIL() << "missing " << file;
        FITSHEADER* hdr = nullptr;
        codes_of([&] { hdr = p_fits_open(file.c_str(), 50); });
        ASSERT_NE(hdr, nullptr) << s.file << ": " << last_stderr_;
        EXPECT_EQ(hdr->ncards, s.cards) << s.file;
        EXPECT_EQ(hdr->keys[KEY_BITPIX].value.integer, 16) << s.file;
        EXPECT_EQ(hdr->maxcards, s.cards + 50) << s.file;
        fits_close(hdr);
    }
}

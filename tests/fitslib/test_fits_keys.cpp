// Keyword operations, card layout and the error reporter.

#include <cstring>

#include "fits_test_util.h"

using namespace fitstest;

namespace {

struct HeaderDeleter {
    void operator()(FITSHEADER* hdr) const { fits_close(hdr); }
};
using Header = std::unique_ptr<FITSHEADER, HeaderDeleter>;

Header new_header(int extra = 20) {
    return Header(p_fits_newopen(extra, 16, 2, 640, 480, 0, 0));
}

VAL text_value(const char* text) {
    VAL v{};
    std::strncpy(v.text, text, sizeof v.text - 1);
    return v;
}

VAL real_value(double real) {
    VAL v{};
    v.real = real;
    return v;
}

VAL int_value(int32_t integer) {
    VAL v{};
    v.integer = integer;
    return v;
}

// Columns a..b (1-based) of a card.
std::string cols(const std::string& card, int a, int b) {
    return card.substr(static_cast<size_t>(a - 1), static_cast<size_t>(b - a + 1));
}

class FitsKeys : public FitsTest {};

}  // namespace

// A new header holds SIMPLE, BITPIX, NAXIS and its axes, each with the table's default comment.
TEST_F(FitsKeys, NewHeaderCards) {
    Header hdr = new_header(0);
    ASSERT_TRUE(hdr);
    ASSERT_EQ(hdr->ncards, 5);
    EXPECT_EQ(hdr->maxcards, 5);
    EXPECT_EQ(card_text(hdr.get(), 0), card("SIMPLE  =                    T"));
    EXPECT_EQ(card_text(hdr.get(), 1),
              card("BITPIX  =                   16 /8 unsigned int, 16 & 32 int, -32 & -64 real"));
    EXPECT_EQ(card_text(hdr.get(), 3), card("NAXIS1  =                  640 /fastest changing axis"));
    EXPECT_EQ(card_text(hdr.get(), 4), card("NAXIS2  =                  480 /next to fastest changing axis"));
    EXPECT_EQ(hdr->keys[KEY_NAXIS2].card, 4);
}

// String values: quoted from column 11, quotes doubled, closing quote at column 20 or later.
TEST_F(FitsKeys, StringValueLayout) {
    Header hdr = new_header();
    VAL date = text_value("2001-05-17");
    ASSERT_TRUE(fits_append(hdr.get(), KEY_DATE_OBS, &date, nullptr));
    EXPECT_EQ(card_text(hdr.get(), 5),
              card("DATE-OBS= '2001-05-17'         /YYYY-MM-DD observation start date, UT"));
    VAL empty = text_value("");
    ASSERT_TRUE(fits_append(hdr.get(), KEY_OBJECT, &empty, nullptr));
    EXPECT_EQ(card_text(hdr.get(), 6), card("OBJECT  = '        '"));
    VAL quoted = text_value("O'Brien");
    ASSERT_TRUE(fits_append(hdr.get(), KEY_OBSERVER, &quoted, nullptr));
    EXPECT_EQ(card_text(hdr.get(), 7), card("OBSERVER= 'O''Brien'"));
    EXPECT_STREQ(hdr->keys[KEY_OBSERVER].value.text, "O'Brien");
}

// A string longer than 18 characters keeps its comment after the closing quote instead of under it.
TEST_F(FitsKeys, LongStringPushesComment) {
    Header hdr = new_header();
    VAL filter = text_value("Johnson V broadband filter");
    ASSERT_TRUE(fits_append(hdr.get(), KEY_FILTER, &filter, nullptr));
    EXPECT_EQ(card_text(hdr.get(), 5),
              card("FILTER  = 'Johnson V broadband filter' /Filter used when taking image"));
}

// Reals: "%#20.17G" between 0.1 and 1e17 and for zero, "%20.12E" elsewhere.
TEST_F(FitsKeys, RealFormats) {
    const struct {
        double value;
        const char* field;
    } cases[] = {
        {1.0, "  1.0000000000000000"},   {0.0, "  0.0000000000000000"},
        {1e-3, "  1.000000000000E-03"},  {1e20, "  1.000000000000E+20"},
        {-0.5, " -0.50000000000000000"}, {2e17, "  2.000000000000E+17"},
    };
    for (const auto& c : cases) {
        char card_chars[ORBEX_CARD_CHARS];
        std::memset(card_chars, ' ', sizeof card_chars);
        VAL v = real_value(c.value);
        EXPECT_EQ(fits_formatvalue(card_chars, KT_REAL, &v), 30);
        const std::string text(card_chars, ORBEX_CARD_CHARS);
        const std::string expected = std::string(c.field).substr(std::strlen(c.field) - 20);
        EXPECT_EQ(cols(text, 11, 30), expected) << "value " << c.value;
        EXPECT_EQ(text[30], ' ') << "column 31 for " << c.value;
    }
}

// Rewriting a string in place blanks the old one (a doubled quote included) but keeps its comment.
TEST_F(FitsKeys, ModifyStringInPlace) {
    Header hdr = new_header();
    VAL long_value = text_value("it's a long name!");
    ASSERT_TRUE(fits_append(hdr.get(), KEY_FILTER, &long_value, nullptr));
    VAL short_value = text_value("V");
    ASSERT_TRUE(fits_modify(hdr.get(), KEY_FILTER, &short_value));
    EXPECT_EQ(card_text(hdr.get(), 5), card("FILTER  = 'V       '           /Filter used when taking image"));
    EXPECT_EQ(hdr->ncards, 6);
}

// Long comments continue on cards with a blank keyword, breaking at a blank when one is near.
TEST_F(FitsKeys, CommentContinuation) {
    Header hdr = new_header();
    const std::string unbroken(100, 'x');
    VAL v = real_value(1.5);
    ASSERT_TRUE(fits_append(hdr.get(), KEY_EXPTIME, &v, unbroken.c_str()));
    ASSERT_EQ(hdr->ncards, 7);
    EXPECT_EQ(cols(card_text(hdr.get(), 5), 33, 80), std::string(47, 'x') + " ");
    EXPECT_EQ(card_text(hdr.get(), 6), card(std::string(9, ' ') + std::string(53, 'x')));

    const std::string words = std::string(40, 'a') + " " + std::string(40, 'b');
    ASSERT_TRUE(fits_append(hdr.get(), KEY_CCD_TEMP, &v, words.c_str()));
    EXPECT_EQ(cols(card_text(hdr.get(), 7), 33, 80), std::string(40, 'a') + std::string(8, ' '));
    EXPECT_EQ(card_text(hdr.get(), 8), card(std::string(9, ' ') + std::string(40, 'b')));

    // A long-string keyword carries its comment on the next card only.
    VAL origin = text_value("Observatory");
    ASSERT_TRUE(fits_append(hdr.get(), KEY_ORIGIN, &origin, "made here"));
    EXPECT_EQ(card_text(hdr.get(), 9), card("ORIGIN  = 'Observatory'"));
    EXPECT_EQ(card_text(hdr.get(), 10), card("         made here"));

    // Commentary keywords write their text from column 10.
    ASSERT_TRUE(fits_append(hdr.get(), KEY_HISTORY, nullptr, "flat fielded"));
    EXPECT_EQ(card_text(hdr.get(), 11), card("HISTORY  flat fielded"));
}

// Appending a non-repeatable keyword again comments the old card out; repeatable ones stay live.
TEST_F(FitsKeys, AppendAgain) {
    Header hdr = new_header();
    VAL first = text_value("M13");
    VAL second = text_value("M92");
    ASSERT_TRUE(fits_append(hdr.get(), KEY_OBJECT, &first, nullptr));
    ASSERT_TRUE(fits_append(hdr.get(), KEY_OBJECT, &second, nullptr));
    EXPECT_EQ(hdr->cards[5].status, CARD_COMMENTOUT);
    EXPECT_EQ(hdr->keys[KEY_OBJECT].card, 6);
    EXPECT_STREQ(hdr->keys[KEY_OBJECT].value.text, "M92");
    EXPECT_EQ(hdr->keys[KEY_OBJECT].repeated, 0);

    ASSERT_TRUE(fits_append(hdr.get(), KEY_HISTORY, nullptr, "one"));
    ASSERT_TRUE(fits_append(hdr.get(), KEY_HISTORY, nullptr, "two"));
    EXPECT_EQ(hdr->cards[7].status, CARD_KEEP);
    EXPECT_EQ(hdr->keys[KEY_HISTORY].repeated, 1);

    // Mandatory keywords change in place instead of moving to the end.
    VAL bitpix = int_value(-32);
    ASSERT_TRUE(fits_append(hdr.get(), KEY_BITPIX, &bitpix, nullptr));
    EXPECT_EQ(hdr->ncards, 9);
    EXPECT_EQ(cols(card_text(hdr.get(), 1), 11, 30), std::string(17, ' ') + "-32");
    EXPECT_TRUE(hdr->modified);
}

// A full header refuses new cards (29) without losing the old card, and stops long comments (30).
TEST_F(FitsKeys, FullHeader) {
    Header hdr = new_header(1);
    VAL object = text_value("M13");
    ASSERT_TRUE(fits_append(hdr.get(), KEY_OBJECT, &object, nullptr));
    EXPECT_EQ(codes_of([&] { EXPECT_FALSE(fits_append(hdr.get(), KEY_OBJECT, &object, nullptr)); }),
              std::vector<int>{29});
    EXPECT_EQ(hdr->cards[5].status, CARD_KEEP) << "the live card must not be commented out";

    Header small = new_header(1);
    const std::string comment(60, 'c');
    VAL v = real_value(2.0);
    EXPECT_EQ(codes_of([&] { EXPECT_FALSE(fits_append(small.get(), KEY_EXPTIME, &v, comment.c_str())); }),
              std::vector<int>{30});
    EXPECT_EQ(small->ncards, 6);
}

// NAXIS changes insert or delete NAXISn cards directly after NAXIS and keep later slots on their cards.
TEST_F(FitsKeys, SetNaxis) {
    Header hdr = new_header(10);
    VAL object = text_value("M13");
    ASSERT_TRUE(fits_append(hdr.get(), KEY_OBJECT, &object, nullptr));
    VAL three = int_value(3);
    ASSERT_TRUE(fits_append(hdr.get(), KEY_NAXIS, &three, nullptr));
    ASSERT_EQ(hdr->ncards, 7);
    EXPECT_EQ(card_text(hdr.get(), 5), card("NAXIS3  =                    1"));
    EXPECT_EQ(cols(card_text(hdr.get(), 2), 11, 30), std::string(19, ' ') + "3");
    EXPECT_EQ(hdr->keys[KEY_NAXIS3].card, 5);
    EXPECT_EQ(hdr->keys[KEY_OBJECT].card, 6);
    EXPECT_EQ(card_text(hdr.get(), 6).substr(0, 8), "OBJECT  ");

    VAL one = int_value(1);
    ASSERT_TRUE(fits_modify(hdr.get(), KEY_NAXIS, &one));
    ASSERT_EQ(hdr->ncards, 5);
    EXPECT_FALSE(hdr->keys[KEY_NAXIS2].present);
    EXPECT_FALSE(hdr->keys[KEY_NAXIS3].present);
    EXPECT_EQ(hdr->keys[KEY_OBJECT].card, 4);
    EXPECT_EQ(card_text(hdr.get(), 4).substr(0, 8), "OBJECT  ");

    Header tight = new_header(0);
    VAL four = int_value(4);
    EXPECT_EQ(codes_of([&] { EXPECT_FALSE(fits_append(tight.get(), KEY_NAXIS, &four, nullptr)); }),
              std::vector<int>{29});
    VAL five = int_value(5);
    EXPECT_EQ(codes_of([&] { EXPECT_FALSE(fits_modify(tight.get(), KEY_NAXIS, &five)); }), std::vector<int>{47});
    EXPECT_EQ(tight->ncards, 5);
}

// Keyword look-up is exact; inserted slots are found by fits_anykeyfind; slots run out at 245.
TEST_F(FitsKeys, LookupAndInsert) {
    EXPECT_EQ(fits_keyfind("SATURATE").index, KEY_SATURATE);
    EXPECT_EQ(fits_keyfind("SATURATE").type, KT_REAL);
    EXPECT_FALSE(fits_keyfind("saturate").found);
    Header hdr = new_header();
    EXPECT_FALSE(fits_anykeyfind(hdr.get(), "GAIN").found);
    const int32_t gain = fits_keyinsert(hdr.get(), "GAIN", KT_REAL);
    EXPECT_EQ(gain, ORBEX_KNOWN_KEYS);
    const KEYFIND found = fits_anykeyfind(hdr.get(), "GAIN");
    EXPECT_TRUE(found.found);
    EXPECT_EQ(found.index, gain);
    EXPECT_FALSE(hdr->keys[gain].present);
    VAL v = real_value(2.5);
    ASSERT_TRUE(fits_append(hdr.get(), gain, &v, "e-/ADU"));
    EXPECT_EQ(card_text(hdr.get(), 5), card("GAIN    =   2.5000000000000000 /e-/ADU"));
    while (hdr->nkeys < ORBEX_MAX_KEYS) fits_keyinsert(hdr.get(), "K", KT_INTEGER);
    EXPECT_EQ(fits_keyinsert(hdr.get(), "ONEMORE", KT_INTEGER), -1);
}

// fits_modify needs a keyword with a value (31); fits_remove drops or comments out the card.
TEST_F(FitsKeys, ModifyAndRemove) {
    Header hdr = new_header();
    VAL v = real_value(3.0);
    EXPECT_EQ(codes_of([&] { EXPECT_FALSE(fits_modify(hdr.get(), KEY_HISTORY, &v)); }), std::vector<int>{31});
    EXPECT_NE(last_stderr_.find("bug HISTORY\n"), std::string::npos) << last_stderr_;
    ASSERT_TRUE(fits_modify(hdr.get(), KEY_EXPTIME, &v));
    ASSERT_TRUE(fits_modify(hdr.get(), KEY_CCD_TEMP, &v));
    fits_remove(hdr.get(), KEY_EXPTIME, false);
    fits_remove(hdr.get(), KEY_CCD_TEMP, true);
    EXPECT_EQ(hdr->cards[5].status, CARD_DROP);
    EXPECT_EQ(hdr->cards[6].status, CARD_COMMENTOUT);
    EXPECT_FALSE(hdr->keys[KEY_EXPTIME].present);
    EXPECT_FALSE(hdr->keys[KEY_CCD_TEMP].present);
    fits_close(nullptr);
}

// Error lines: "FITS <file> error NN: <message> <extra>", with no doubled blanks when parts are absent.
TEST_F(FitsKeys, ErrorLines) {
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(fits_error(1, nullptr, nullptr));
    EXPECT_FALSE(fits_error(36, "a.fits", "OBJECT"));
    EXPECT_TRUE(fits_error(56, nullptr, "for 12 bytes"));
    EXPECT_TRUE(fits_error(91, "b.fits", nullptr));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "FITS error 01: file not found\n"
              "FITS a.fits error 36: doubly defined OBJECT\n"
              "FITS error 56: insufficient memory for 12 bytes\n"
              "FITS b.fits error 91: this version can only read proprietary packed files\n");
    for (int code = 1; code <= FITS_ERROR_CODES; ++code) {
        const bool warning = (code >= 36 && code <= 39) || code == 95;
        EXPECT_EQ(fits_errtab[code].fatal, !warning) << "code " << code;
        EXPECT_GT(std::strlen(fits_errtab[code].message), 5u) << "code " << code;
    }
}

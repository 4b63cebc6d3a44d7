// The packed variant: lossless round trips in every mode and width, the
// data-section layout, and a decoder that refuses damaged files.

#include <cstring>
#include <limits>

#include "fits_pack_format.h"
#include "fits_test_util.h"

using namespace fitstest;

namespace {

struct Image {
    int bitpix;
    int width, height;
    std::vector<int32_t> values;
};

// A star field: a noisy background, a few bright stars, and the extreme values of the width.
Image star_field(int bitpix, int width, int height) {
    Image image{bitpix, width, height, {}};
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    const int32_t background = bitpix == 8 ? 40 : 1000;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int32_t v = background + static_cast<int32_t>(next() >> 28) - 8;
            if ((x * 7 + y * 13) % 97 == 0) v += bitpix == 8 ? 150 : 20000;
            image.values.push_back(v);
        }
    }
    std::vector<int32_t> extremes;
    if (bitpix == 8) extremes = {0, 255, 0, 255};
    if (bitpix == 16) extremes = {-32768, 32767, -32768, 0, -1};
    if (bitpix == 32) {
        extremes = {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
                    std::numeric_limits<int32_t>::min(), -1, 0, 1 << 30, -(1 << 30), 4096, -4096};
    }
    for (size_t i = 0; i < extremes.size(); ++i) image.values[i * 3 + 1] = extremes[i];
    return image;
}

std::vector<uint8_t> machine_bytes(const Image& image) {
    const int element = image.bitpix / 8;
    std::vector<uint8_t> bytes(image.values.size() * static_cast<size_t>(element));
    for (size_t i = 0; i < image.values.size(); ++i) {
        const int32_t v = image.values[i];
        if (element == 1) bytes[i] = static_cast<uint8_t>(v);
        if (element == 2) {
            const auto s = static_cast<int16_t>(v);
            std::memcpy(&bytes[i * 2], &s, 2);
        }
        if (element == 4) std::memcpy(&bytes[i * 4], &v, 4);
    }
    return bytes;
}

class FitsPack : public FitsTest {
protected:
    void write_packed(const Image& image, PACK mode, const std::string& name) {
        FITSHEADER* hdr = p_fits_newopen(0, image.bitpix, 2, image.width, image.height, 0, 0);
        ASSERT_NE(hdr, nullptr);
        const auto bytes = machine_bytes(image);
        ASSERT_TRUE(fits_write(hdr, bytes.data(), mode, path(name).c_str()));
        fits_close(hdr);
    }
    // Reads the stored values back; `type` receives the packed type word.
    std::vector<uint8_t> read_raw(const std::string& name, uint32_t* type = nullptr) {
        FITSHEADER* hdr = p_fits_open(path(name).c_str(), 0);
        EXPECT_NE(hdr, nullptr);
        if (hdr == nullptr) return {};
        EXPECT_TRUE(hdr->packed);
        const int element = hdr->keys[KEY_BITPIX].value.integer / 8;
        std::vector<uint8_t> raw(static_cast<size_t>(hdr->keys[KEY_NAXIS1].value.integer) *
                                 static_cast<size_t>(hdr->keys[KEY_NAXIS2].value.integer) * static_cast<size_t>(element));
        EXPECT_TRUE(fits_readraw(hdr, raw.data()));
        if (type != nullptr) *type = static_cast<uint32_t>(hdr->packtype);
        fits_close(hdr);
        return raw;
    }
    // The data section of a packed file as 32-bit words, and its offset.
    std::vector<uint32_t> data_words(const std::string& name, size_t* offset) {
        FITSHEADER* hdr = p_fits_open(path(name).c_str(), 0);
        *offset = static_cast<size_t>(hdr->dataoffset);
        fits_close(hdr);
        const std::string bytes = read_file(path(name));
        std::vector<uint32_t> words;
        for (size_t i = *offset; i + 4 <= bytes.size(); i += 4) {
            const auto* b = reinterpret_cast<const uint8_t*>(bytes.data() + i);
            words.push_back(uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3]);
        }
        return words;
    }
    // Rewrites word `index` of the data section; keeps the tree checksum valid when asked.
    void patch_word(const std::string& name, size_t index, uint32_t value, bool keep_checksum) {
        size_t offset = 0;
        const auto words = data_words(name, &offset);
        std::string bytes = read_file(path(name));
        auto put = [&](size_t i, uint32_t w) {
            for (int b = 0; b < 4; ++b) bytes[offset + i * 4 + b] = static_cast<char>(w >> (24 - 8 * b));
        };
        if (keep_checksum) {
            const size_t checksum = 2 + words[1];
            put(checksum, words[checksum] + (value - words[index]));
        }
        put(index, value);
        write_file(path(name), bytes);
    }
    std::vector<int> read_codes(const std::string& name) {
        return codes_of([&] {
            FITSHEADER* hdr = p_fits_open(path(name).c_str(), 0);
            ASSERT_NE(hdr, nullptr);
            std::vector<float> pixels(static_cast<size_t>(hdr->keys[KEY_NAXIS1].value.integer) *
                                      static_cast<size_t>(hdr->keys[KEY_NAXIS2].value.integer));
            EXPECT_FALSE(fits_read(hdr, pixels.data(), 0, false, nullptr));
            fits_close(hdr);
        });
    }
};

}  // namespace

// 8-, 16- and 32-bit images come back unchanged in every mode, -2147483648 included.
TEST_F(FitsPack, RoundTripEveryWidthAndMode) {
    for (int bitpix : {8, 16, 32}) {
        const Image image = star_field(bitpix, 61, 37);
        const auto expected = machine_bytes(image);
        for (PACK mode : {PACK_DIRECT, PACK_DIFF, PACK_BEST, static_cast<PACK>(7)}) {
            write_packed(image, mode, "p.fits");
            uint32_t type = 0;
            EXPECT_EQ(read_raw("p.fits", &type), expected) << "BITPIX " << bitpix << " mode " << mode;
            const uint32_t low = type & 0xFF;
            if (mode == PACK_DIRECT) {
                EXPECT_EQ(low, 3u);
            }
            if (mode == PACK_DIFF || mode == 7) {
                EXPECT_EQ(low, 4u);
            }
            EXPECT_EQ(type & 0xFFFFFF00u, 0x03010200u);
        }
    }
}

// fits_read of a packed file applies the header's scaling like a plain one.
TEST_F(FitsPack, ReadAsFloats) {
    Image image = star_field(16, 20, 10);
    FITSHEADER* hdr = p_fits_newopen(1, 16, 2, 20, 10, 0, 0);
    VAL bzero{};
    bzero.real = 32768.0;
    ASSERT_TRUE(fits_append(hdr, KEY_BZERO, &bzero, nullptr));
    const auto bytes = machine_bytes(image);
    ASSERT_TRUE(fits_write(hdr, bytes.data(), PACK_BEST, path("f.fits").c_str()));
    fits_close(hdr);
    hdr = p_fits_open(path("f.fits").c_str(), 0);
    std::vector<float> pixels(200);
    ASSERT_TRUE(fits_read(hdr, pixels.data(), 0, false, nullptr));
    for (size_t i = 0; i < pixels.size(); ++i) {
        ASSERT_EQ(pixels[i], static_cast<float>(static_cast<int16_t>(image.values[i]) + 32768)) << "pixel " << i;
    }
    EXPECT_EQ(hdr->keys[KEY_BITPIX].value.integer, -32);
    fits_close(hdr);
}

// A uniform image in direct mode: one direct leaf plus one empty filler leaf, one bit per pixel.
TEST_F(FitsPack, UniformImage) {
    Image image{16, 100, 10, std::vector<int32_t>(1000, 1000)};
    write_packed(image, PACK_DIRECT, "u.fits");
    size_t offset = 0;
    const auto words = data_words("u.fits", &offset);
    ASSERT_EQ(words[1], 3u) << "node count";
    EXPECT_EQ(words[2 + 3 + 1], 128u) << "stream bytes for 1000 one-bit codes";
    EXPECT_EQ(words.size(), 2u + 3u + 2u + 32u) << "nothing follows the stream";
    EXPECT_EQ(read_raw("u.fits"), machine_bytes(image));
}

// The data section of a tiny image, word by word: pins the format for files already written.
TEST_F(FitsPack, PinnedLayout) {
    write_packed(Image{16, 2, 1, {5, 5}}, PACK_DIRECT, "t.fits");
    size_t offset = 0;
    const auto words = data_words("t.fits", &offset);
    const uint32_t root = 1u << 1 | 2u << 17;
    const uint32_t filler = 33u << 2 | 1u;  // escape class 33, never used
    const uint32_t five = 5u << 2 | 2u | 1u;
    const std::vector<uint32_t> expected = {0x03010203u, 3u, root, filler, five,
                                            root + filler + five + 52718093u, 4u, 0xC0000000u};
    EXPECT_EQ(words, expected);
}

// PACK_BEST keeps the difference coding exactly when it needs fewer bits.
TEST_F(FitsPack, BestChoosesSmaller) {
    Image ramp{16, 64, 64, {}};
    for (int i = 0; i < 64 * 64; ++i) ramp.values.push_back(i * 3 - 6000);
    Image noise = star_field(16, 64, 64);
    for (const Image* image : {&ramp, &noise}) {
        write_packed(*image, PACK_DIRECT, "d.fits");
        write_packed(*image, PACK_DIFF, "f.fits");
        write_packed(*image, PACK_BEST, "b.fits");
        const auto direct = std::filesystem::file_size(path("d.fits"));
        const auto diff = std::filesystem::file_size(path("f.fits"));
        uint32_t type = 0;
        read_raw("b.fits", &type);
        EXPECT_EQ(type & 0xFF, diff < direct ? 4u : 3u);
        EXPECT_EQ(std::filesystem::file_size(path("b.fits")), std::min(direct, diff));
    }
    uint32_t type = 0;
    write_packed(ramp, PACK_BEST, "r.fits");
    read_raw("r.fits", &type);
    EXPECT_EQ(type & 0xFF, 4u) << "a ramp is cheaper as differences";
}

// Damaged files end in their codes: type (54), checksum (59), tree (60), stream (9), lengths (57, 63, 64).
TEST_F(FitsPack, DecoderRefusesDamage) {
    const Image image = star_field(16, 40, 30);
    write_packed(image, PACK_DIFF, "good.fits");
    size_t offset = 0;
    const auto words = data_words("good.fits", &offset);
    const uint32_t n = words[1];
    const std::string good = read_file(path("good.fits"));
    auto fresh = [&] { write_file(path("bad.fits"), good); };

    fresh();
    patch_word("bad.fits", 0, 0x03010205u, false);
    EXPECT_EQ(read_codes("bad.fits"), std::vector<int>{54});

    fresh();
    patch_word("bad.fits", 2 + n, words[2 + n] + 1, false);
    EXPECT_EQ(read_codes("bad.fits"), std::vector<int>{59});

    fresh();  // a child index beyond the node array
    patch_word("bad.fits", 2, pack_innerword(pack_left(words[2]), n), true);
    EXPECT_EQ(read_codes("bad.fits"), std::vector<int>{60});

    fresh();  // a loop back to the root
    patch_word("bad.fits", 2, pack_innerword(0, pack_right(words[2])), true);
    EXPECT_EQ(read_codes("bad.fits"), std::vector<int>{60});

    fresh();  // an escape class no value can have
    size_t leaf = 2;
    while ((words[leaf] & 1u) == 0 || (words[leaf] & 2u) != 0) ++leaf;
    patch_word("bad.fits", leaf, pack_leafword(200, false), true);
    EXPECT_EQ(read_codes("bad.fits"), std::vector<int>{60});

    fresh();  // the stream ends before the last pixel
    patch_word("bad.fits", 3 + n, 8, false);
    EXPECT_EQ(read_codes("bad.fits"), std::vector<int>{9});

    fresh();  // lengths far beyond the file are refused before anything is allocated
    patch_word("bad.fits", 3 + n, 0xFFFFFFF0u, false);
    EXPECT_EQ(read_codes("bad.fits"), std::vector<int>{63});
    fresh();
    patch_word("bad.fits", 3 + n, words[3 + n] + 8, false);
    EXPECT_EQ(read_codes("bad.fits"), std::vector<int>{64});
    fresh();
    patch_word("bad.fits", 1, 0x40000000u, false);
    EXPECT_EQ(read_codes("bad.fits"), std::vector<int>{57});

    write_file(path("bad.fits"), good.substr(0, offset + 6));
    EXPECT_EQ(read_codes("bad.fits"), std::vector<int>{55});
}

// Every escape leaf of an 8-bit image stands for at most 8 magnitude bits (32 and 33 are fillers).
TEST_F(FitsPack, ByteImagesUseShortEscapes) {
    for (PACK mode : {PACK_DIRECT, PACK_DIFF}) {
        write_packed(star_field(8, 50, 50), mode, "e.fits");
        size_t offset = 0;
        const auto words = data_words("e.fits", &offset);
        for (uint32_t i = 0; i < words[1]; ++i) {
            const uint32_t w = words[2 + i];
            if ((w & 1u) == 0 || (w & 2u) != 0) continue;
            const int k = std::abs(pack_symbol(w));
            EXPECT_TRUE(k <= 8 || k >= 32) << "escape class " << pack_symbol(w) << " mode " << mode;
        }
    }
}

#include "fits_test_util.h"

#include <fstream>
#include <iterator>
#include <random>
#include <regex>

namespace fitstest {

std::string card(const std::string& text) {
    std::string c = text.substr(0, ORBEX_CARD_CHARS);
    c.resize(ORBEX_CARD_CHARS, ' ');
    return c;
}

std::string plain_header(const std::vector<std::string>& cards) {
    std::string bytes;
    for (const auto& c : cards) bytes += card(c);
    bytes += card("END");
    bytes.resize((bytes.size() + FITS_BLOCK - 1) / FITS_BLOCK * FITS_BLOCK, ' ');
    return bytes;
}

std::vector<std::string> image_cards(int bitpix, const std::vector<int>& axes,
                                     const std::vector<std::string>& extra) {
    char text[81];
    std::vector<std::string> cards{"SIMPLE  =                    T"};
    std::snprintf(text, sizeof text, "BITPIX  = %20d", bitpix);
    cards.emplace_back(text);
    std::snprintf(text, sizeof text, "NAXIS   = %20d", static_cast<int>(axes.size()));
    cards.emplace_back(text);
    for (size_t i = 0; i < axes.size(); ++i) {
        std::snprintf(text, sizeof text, "NAXIS%zu  = %20d", i + 1, axes[i]);
        cards.emplace_back(text);
    }
    cards.insert(cards.end(), extra.begin(), extra.end());
    return cards;
}

std::string big_endian(const std::vector<int64_t>& values, int element) {
    std::string bytes;
    for (int64_t v : values) {
        const auto u = static_cast<uint64_t>(v);
        for (int b = element - 1; b >= 0; --b) bytes.push_back(static_cast<char>(u >> (8 * b)));
    }
    return bytes;
}

void write_file(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string card_text(const FITSHEADER* hdr, int i) {
    return std::string(hdr->cards[i].text, ORBEX_CARD_CHARS);
}

std::vector<int> error_codes(const std::string& text) {
    static const std::regex line("error ([0-9][0-9]): ");
    std::vector<int> codes;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), line); it != std::sregex_iterator(); ++it) {
        codes.push_back(std::stoi((*it)[1]));
    }
    return codes;
}

void FitsTest::SetUp() {
    std::random_device random;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info->name();
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    dir_ = std::filesystem::temp_directory_path() / ("orbex-" + name + "-" + std::to_string(random()));
    std::filesystem::create_directories(dir_);
}

void FitsTest::TearDown() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

}  // namespace fitstest

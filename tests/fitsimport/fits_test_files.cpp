#include "fits_test_files.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <sys/wait.h>

namespace fitstest {

namespace {

constexpr size_t kBlock = 2880;

void Pad(std::string& bytes, char fill) {
    if (bytes.size() % kBlock != 0)
        bytes.append(kBlock - bytes.size() % kBlock, fill);
}

std::string PlainHeader(const std::vector<std::string>& cards) {
    std::string header;
    for (const std::string& card : cards)
        header += Card(card);
    header += Card("END");
    Pad(header, ' ');
    return header;
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

}  // namespace

TempFolder::TempFolder() {
    std::random_device seed;
    root_ = std::filesystem::temp_directory_path() /
            ("qv-fitsimport-" + std::to_string(seed()) + std::to_string(seed()));
    std::filesystem::create_directories(root_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

std::string Card(const std::string& text) {
    std::string card = text.substr(0, 80);
    card.resize(80, ' ');
    return card;
}

std::string IntCard(const std::string& key, long value) {
    char text[96];
    std::snprintf(text, sizeof text, "%-8.8s= %20ld", key.c_str(), value);
    return text;
}

std::string RealCard(const std::string& key, double value) {
    char text[96];
    std::snprintf(text, sizeof text, "%-8.8s= %20.6f", key.c_str(), value);
    return text;
}

std::string StringCard(const std::string& key, const std::string& value) {
    char text[160];
    std::snprintf(text, sizeof text, "%-8.8s= '%-8s'", key.c_str(), value.c_str());
    return text;
}

std::vector<std::string> ImageCards(int bitpix, int columns, int rows) {
    return {"SIMPLE  =                    T", IntCard("BITPIX", bitpix), IntCard("NAXIS", 2),
            IntCard("NAXIS1", columns), IntCard("NAXIS2", rows)};
}

void WriteFits16(const std::string& path, const std::vector<std::string>& cards,
                 const std::vector<int16_t>& raw) {
    std::vector<uint8_t> data;
    for (int16_t value : raw) {
        uint16_t bits = static_cast<uint16_t>(value);
        data.push_back(static_cast<uint8_t>(bits >> 8));
        data.push_back(static_cast<uint8_t>(bits & 0xFF));
    }
    WriteFitsBytes(path, cards, data);
}

void WriteFitsBytes(const std::string& path, const std::vector<std::string>& cards,
                    const std::vector<uint8_t>& data) {
    std::string bytes = PlainHeader(cards);
    std::string body(data.begin(), data.end());
    Pad(body, '\0');
    WriteAll(path, bytes + body);
}

void WritePackedHeader(const std::string& path, const std::vector<std::string>& cards) {
    std::string bytes;
    std::vector<std::string> all = cards;
    all.push_back("END");
    for (const std::string& text : all) {
        std::string card = Card(text);
        for (size_t i = 0; i < card.size();) {
            size_t run = 0;
            while (i + run < card.size() && card[i + run] == ' ')
                ++run;
            if (run == 0) {
                bytes += card[i++];
            } else {
                bytes += static_cast<char>(128 + run);
                i += run;
            }
        }
    }
    while (bytes.size() % 4 != 0)
        bytes += static_cast<char>(128 + 1);
    WriteAll(path, bytes + std::string(64, '\0'));
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const std::string& path, const std::string& text) { WriteAll(path, text); }

std::vector<std::string> HeaderCards(const std::string& path) {
    std::vector<uint8_t> bytes = ReadBytes(path);
    std::vector<std::string> cards;
    for (size_t at = 0; at + 80 <= bytes.size(); at += 80) {
        std::string card(bytes.begin() + long(at), bytes.begin() + long(at + 80));
        if (card.rfind("END     ", 0) == 0)
            break;
        cards.push_back(card);
    }
    return cards;
}

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

int RunCommand(const std::string& command) {
    int status = std::system(command.c_str());
    return status == -1 ? -1 : WEXITSTATUS(status);
}

int RunPython(const std::string& script, const std::vector<std::string>& args) {
    std::string command = "/usr/bin/python3 " + Quote(script);
    for (const std::string& arg : args)
        command += " " + Quote(arg);
    return RunCommand(command);
}

}  // namespace fitstest

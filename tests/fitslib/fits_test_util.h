#pragma once
// Shared helpers for the library's tests: a scratch folder per test, FITS
// files assembled from card texts, and the error lines written to stderr.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "orbex_internal.h"

namespace fitstest {

// An 80-column card from its text, blank-padded.
std::string card(const std::string& text);
// Cards, END and blank padding to a whole 2880-byte record.
std::string plain_header(const std::vector<std::string>& cards);
// The header of a minimal image followed by `extra` cards.
std::vector<std::string> image_cards(int bitpix, const std::vector<int>& axes,
                                     const std::vector<std::string>& extra = {});
std::string big_endian(const std::vector<int64_t>& values, int element);
void write_file(const std::filesystem::path& path, const std::string& bytes);
std::string read_file(const std::filesystem::path& path);
// The text of card `i` of a header, trailing blanks kept.
std::string card_text(const FITSHEADER* hdr, int i);
// The error codes found in captured stderr text, in order.
std::vector<int> error_codes(const std::string& stderr_text);

class FitsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    // Runs `body` with stderr captured; returns the codes reported.
    template <typename F>
    std::vector<int> codes_of(F&& body) {
        ::testing::internal::CaptureStderr();
        body();
        last_stderr_ = ::testing::internal::GetCapturedStderr();
        return error_codes(last_stderr_);
    }
    std::filesystem::path dir_;
    std::string last_stderr_;
};

}  // namespace fitstest

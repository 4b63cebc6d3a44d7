// Reading never waits on a FIFO, never allocates for data the file cannot
// hold, and refuses numbers with trailing characters.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "fits_test_util.h"

using namespace fitstest;

namespace {

class FitsReading : public FitsTest {
protected:
    std::vector<int> open_codes(const std::string& name, FITSHEADER** out = nullptr) {
        return codes_of([&] {
            FITSHEADER* hdr = p_fits_open(path(name).c_str(), 0);
            if (out != nullptr) *out = hdr;
            else fits_close(hdr);
        });
    }
};

}  // namespace

// A FIFO (even one nobody writes) and a folder are refused at once, naming why.
TEST_F(FitsReading, FifoAndFolderRefusedAtOnce) {
    ASSERT_EQ(::mkfifo(path("pipe.fits").c_str(), 0600), 0);
    EXPECT_EQ(open_codes("pipe.fits"), std::vector<int>{94});
    EXPECT_NE(last_stderr_.find("not a regular file"), std::string::npos) << last_stderr_;
    FITSPROBEEX probe{};
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(FITSImport(FI_PROBE_EX, path("pipe.fits").c_str(), &probe), FI_NOT_FITS);
    ::testing::internal::GetCapturedStderr();

    ::mkdir(path("folder.fits").c_str(), 0700);
    EXPECT_EQ(open_codes("folder.fits"), std::vector<int>{24});
    EXPECT_NE(last_stderr_.find("Is a directory"), std::string::npos) << last_stderr_;
}

// A 2,880-byte file declaring 32767 x 32767 16-bit pixels is refused (96)
// before anything is allocated for them: the import request succeeds in
// reporting it even with its address space held to 20 MB more than it uses.
TEST_F(FitsReading, TinyFileDeclaringHugeImage) {
    write_file(path("huge.fits"), plain_header(image_cards(16, {32767, 32767})));
    FITSPROBEEX probe{};
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(FITSImport(FI_PROBE_EX, path("huge.fits").c_str(), &probe), FI_FAILED);
    const std::string report = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(error_codes(report), std::vector<int>{96}) << report;
    EXPECT_NE(report.find("2147352578 bytes of data declared, 0 in the file"), std::string::npos) << report;

#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address-space limit cannot be combined with the address sanitizer";
#endif
    std::fflush(nullptr);
    int pipefd[2];
    ASSERT_EQ(::pipe(pipefd), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(pipefd[1], 2);
        rlimit limit{};
        FILE* status = std::fopen("/proc/self/statm", "r");
        unsigned long pages = 0;
        if (status == nullptr || std::fscanf(status, "%lu", &pages) != 1) ::_exit(3);
        std::fclose(status);
        limit.rlim_cur = limit.rlim_max = pages * static_cast<unsigned long>(::sysconf(_SC_PAGESIZE)) + (20ul << 20);
        ::setrlimit(RLIMIT_AS, &limit);
        uint16_t pixel = 0;
        const uint16_t result = FITSImport(FI_PIXELS, path("huge.fits").c_str(), &pixel);
        std::fflush(stderr);
        ::_exit(result == FI_FAILED ? 0 : 1);
    }
    ::close(pipefd[1]);
    std::string child_report;
    char buffer[256];
    for (ssize_t got; (got = ::read(pipefd[0], buffer, sizeof buffer)) > 0;) child_report.append(buffer, size_t(got));
    ::close(pipefd[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(error_codes(child_report), std::vector<int>{96}) << child_report;
}

// A file one row short is refused by the probe, before the caller allocates;
// a packed file whose stream is far too short for its pixels likewise.
TEST_F(FitsReading, TruncatedFilesRefusedByTheProbe) {
    const std::vector<int64_t> values(10 * 4, 5);
    const std::string data = big_endian(values, 2);
    write_file(path("short.fits"), plain_header(image_cards(16, {10, 5})) + data);
    FITSPROBEEX probe{};
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(FITSImport(FI_PROBE_EX, path("short.fits").c_str(), &probe), FI_FAILED);
    EXPECT_EQ(error_codes(::testing::internal::GetCapturedStderr()), std::vector<int>{96});

    write_file(path("whole.fits"), plain_header(image_cards(16, {10, 4})) + data);
    EXPECT_EQ(FITSImport(FI_PROBE_EX, path("whole.fits").c_str(), &probe), FI_OK);
    EXPECT_EQ(probe.rows, 4);
}

// Numbers with characters after them are no numbers: a warning (95), and
// the keyword counts as absent, so NAXIS1 = 1x0 fails the header.
TEST_F(FitsReading, NumbersWithTrailingJunk) {
    std::vector<std::string> cards = image_cards(16, {3, 2}, {"EXPTIME =              12.5abc", "GAIN    =                  2.5 / e-/ADU"});
    cards[3] = card("NAXIS1  =                  1x0");
    write_file(path("junk.fits"), plain_header(cards) + std::string(2880, '\0'));
    EXPECT_EQ(open_codes("junk.fits"), (std::vector<int>{95, 95, 40}));
    EXPECT_NE(last_stderr_.find("bad number NAXIS1"), std::string::npos) << last_stderr_;

    cards[3] = card("NAXIS1  =                    3");
    write_file(path("junk.fits"), plain_header(cards) + std::string(2880, '\0'));
    FITSHEADER* hdr = nullptr;
    EXPECT_EQ(open_codes("junk.fits", &hdr), std::vector<int>{95});
    ASSERT_NE(hdr, nullptr);
    const KEYFIND exptime = fits_anykeyfind(hdr, "EXPTIME");
    EXPECT_FALSE(hdr->keys[exptime.index].present);
    const KEYFIND gain = fits_anykeyfind(hdr, "GAIN");
    EXPECT_TRUE(hdr->keys[gain.index].present);
    EXPECT_EQ(hdr->keys[gain.index].value.real, 2.5);
    fits_close(hdr);
}

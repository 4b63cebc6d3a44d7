// The careful save behind fits_write and fits_put: links saved through,
// devices and FIFOs written directly, modes and owners kept, read-only files
// refused, long names, a full disk, signals, and names planted in the folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include "fits_test_util.h"

using namespace fitstest;
namespace fs = std::filesystem;

namespace {

constexpr int kSide = 64;

class FitsSave : public FitsTest {
protected:
    void SetUp() override {
        FitsTest::SetUp();
        hdr = p_fits_newopen(0, 16, 2, kSide, kSide, 0, 0);
        ASSERT_NE(hdr, nullptr);
        pixels.assign(kSide * kSide, 1234);
        ASSERT_TRUE(fits_write(hdr, pixels.data(), PACK_NONE, path("expected.fits").c_str()));
        expected = read_file(path("expected.fits"));
        fs::remove(path("expected.fits"));
    }
    void TearDown() override {
        fits_close(hdr);
        FitsTest::TearDown();
    }
    bool save(const std::string& target, std::vector<int>* codes = nullptr) {
        bool ok = false;
        const auto found = codes_of([&] { ok = fits_write(hdr, pixels.data(), PACK_NONE, target.c_str()); });
        if (codes != nullptr) *codes = found;
        return ok;
    }
    std::vector<std::string> names() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(dir_)) found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }
    static mode_t mode_of(const std::string& p) {
        struct stat info {};
        ::lstat(p.c_str(), &info);
        return info.st_mode;
    }
    FITSHEADER* hdr = nullptr;
    std::vector<int16_t> pixels;
    std::string expected;
};

}  // namespace

// A link as target is saved through: the link stays, the file it names is
// replaced and keeps its mode; no temporary file is left.
TEST_F(FitsSave, ThroughSymlinkKeepingMode) {
    fs::create_directory(path("real"));
    write_file(path("real/data.fits"), "old");
    ::chmod(path("real/data.fits").c_str(), 0640);
    fs::create_symlink("real/data.fits", path("link.fits"));
    ASSERT_TRUE(save(path("link.fits"))) << last_stderr_;
    EXPECT_TRUE(S_ISLNK(mode_of(path("link.fits"))));
    EXPECT_TRUE(read_file(path("real/data.fits")) == expected);
    EXPECT_EQ(mode_of(path("real/data.fits")) & 07777, 0640u);
    EXPECT_EQ(names(), (std::vector<std::string>{"link.fits", "real"}));
    EXPECT_EQ(names().size(), 2u);
    EXPECT_EQ(std::distance(fs::directory_iterator(path("real")), fs::directory_iterator()), 1);
}

// Existing files keep their mode (0444 too, for a user who may write it);
// a new file gets the umask's mode, never the temporary 0600.
TEST_F(FitsSave, ModesKeptAndNewFilesFollowUmask) {
    write_file(path("a.fits"), "old");
    ::chmod(path("a.fits").c_str(), 0604);
    ASSERT_TRUE(save(path("a.fits"))) << last_stderr_;
    EXPECT_EQ(mode_of(path("a.fits")) & 07777, 0604u);
    const mode_t old = ::umask(027);
    const bool ok = save(path("b.fits"));
    ::umask(old);
    ASSERT_TRUE(ok) << last_stderr_;
    EXPECT_EQ(mode_of(path("b.fits")) & 07777, 0640u);
    EXPECT_TRUE(read_file(path("b.fits")) == expected);
}

// A file the user may not write (0444, not root) is refused with the cause,
// and stays as it was. Run as an unprivileged user when the tests are root.
TEST_F(FitsSave, ReadOnlyFileRefusedForOrdinaryUsers) {
    write_file(path("ro.fits"), "keep me");
    ::chmod(path("ro.fits").c_str(), 0444);
    ::chmod(dir_.c_str(), 0777);
    ::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
        const int fd = ::open("/dev/null", O_WRONLY);
        ::dup2(fd, 2);  // the report line is checked by the parent through the result only
        const bool ok = fits_write(hdr, pixels.data(), PACK_NONE, path("ro.fits").c_str());
        ::_exit(ok ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the read-only file was replaced";
    EXPECT_EQ(read_file(path("ro.fits")), "keep me");
    EXPECT_EQ(names(), std::vector<std::string>{"ro.fits"});

    std::vector<int> codes;
    if (::geteuid() != 0) {
        EXPECT_FALSE(save(path("ro.fits"), &codes));
        EXPECT_EQ(codes, std::vector<int>{48});
        EXPECT_NE(last_stderr_.find("Permission denied"), std::string::npos) << last_stderr_;
    }
}

// A name of 250 bytes saves: the temporary name does not grow with it.
TEST_F(FitsSave, LongName) {
    const std::string name(246, 'n');
    const std::string cwd = fs::current_path().string();
    fs::current_path(dir_);
    const bool ok = save(name + ".fit");
    fs::current_path(cwd);
    ASSERT_TRUE(ok) << last_stderr_;
    EXPECT_EQ(names(), std::vector<std::string>{name + ".fit"});
    EXPECT_TRUE(read_file(path(name + ".fit")) == expected);
}

// A FIFO is written directly and stays a FIFO; the reader gets the file's bytes.
TEST_F(FitsSave, FifoWrittenDirectly) {
    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = read_file(path("pipe")); });
    const bool ok = save(path("pipe"));
    reader.join();
    ASSERT_TRUE(ok) << last_stderr_;
    EXPECT_TRUE(S_ISFIFO(mode_of(path("pipe"))));
    EXPECT_TRUE(received == expected) << received.size() << " bytes";
    EXPECT_EQ(names(), std::vector<std::string>{"pipe"});
}

// A character device like /dev/null stays a device (root only: mknod).
TEST_F(FitsSave, CharacterDeviceStaysADevice) {
    if (::geteuid() != 0) GTEST_SKIP() << "mknod needs root";
    ASSERT_EQ(::mknod(path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    ASSERT_TRUE(save(path("null"))) << last_stderr_;
    EXPECT_TRUE(S_ISCHR(mode_of(path("null"))));
    EXPECT_EQ(names(), std::vector<std::string>{"null"});
}

// On a full filesystem the save fails as "disk full", the old file is whole
// and no temporary file is left (root only: a small tmpfs).
TEST_F(FitsSave, FullFilesystemKeepsTheOldFile) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small filesystem needs root";
    const std::string mount = path("small");
    fs::create_directory(mount);
    if (::mount("tmpfs", mount.c_str(), "tmpfs", 0, "size=16k") != 0) {
        ASSERT_EQ(errno, EPERM) << std::strerror(errno);
        GTEST_SKIP() << "this root may not mount file systems";
    }
    write_file(mount + "/keep.fits", "original");
    fits_close(hdr);
    hdr = p_fits_newopen(0, 16, 2, 256, 256, 0, 0);  // 128 KiB of pixels
    pixels.assign(256 * 256, 7);
    std::vector<int> codes;
    const bool ok = save(mount + "/keep.fits", &codes);
    const std::string left = read_file(mount + "/keep.fits");
    const auto count = std::distance(fs::directory_iterator(mount), fs::directory_iterator());
    ::umount(mount.c_str());
    EXPECT_FALSE(ok);
    ASSERT_EQ(codes.size(), 1u) << last_stderr_;
    EXPECT_EQ(fits_errtab[codes[0]].message, std::string("disk full")) << last_stderr_;
    EXPECT_EQ(left, "original");
    EXPECT_EQ(count, 1);
}

// SIGTERM during a save (with the tool's guard) removes the temporary file;
// the old file stays whole.
TEST_F(FitsSave, SignalDuringSaveRemovesTheTemporaryFile) {
    write_file(path("keep.fits"), "original");
    ::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        fits_save_guardsignals();
        FitsSaveFile file;
        if (!file.open(path("keep.fits").c_str())) ::_exit(3);
        std::fwrite(expected.data(), 1, expected.size(), file.stream());
        std::fflush(file.stream());
        ::raise(SIGTERM);
        ::_exit(4);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_EQ(names(), std::vector<std::string>{"keep.fits"});
    EXPECT_EQ(read_file(path("keep.fits")), "original");
}

// Links planted in the folder at the names the writer tries (anyone could,
// in a shared folder) are never followed: the files they name stay as they
// were, whether the save then succeeds or runs out of names.
TEST_F(FitsSave, PlantedLinksAreNeverFollowed) {
    fs::create_directory(path("outside"));
    fs::create_directory(path("shared"));
    ::chmod(path("shared").c_str(), 01777);
    write_file(path("outside/victim"), "victim");
    for (int planted : {5, 40}) {
        write_file(path("shared/out.fits"), "old");
        std::vector<std::string> planted_names;
        for (int i = 0; i < planted; ++i) {
            char name[FitsSaveFile::kTempChars];
            fits_save_tempname(i, name);
            fs::create_symlink(path("outside/victim"), path("shared/" + std::string(name)));
            planted_names.push_back(name);
        }
        std::vector<int> codes;
        const bool ok = save(path("shared/out.fits"), &codes);
        EXPECT_EQ(ok, planted < 32) << planted << ": " << last_stderr_;
        EXPECT_EQ(read_file(path("outside/victim")), "victim");
        EXPECT_TRUE(read_file(path("shared/out.fits")) == (ok ? expected : "old")) << planted;
        for (const auto& name : planted_names) {
            EXPECT_TRUE(S_ISLNK(mode_of(path("shared/" + name)))) << name;
            fs::remove(path("shared/" + name));
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(path("shared")), fs::directory_iterator()), 1);
    }
}

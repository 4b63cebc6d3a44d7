// Output files written as trusted tools write them: through links, onto
// devices and FIFOs, over protected files, on a full disk, under signals and
// in a folder where someone else plants links.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/archive.h"
#include "platform/careful_file.h"
#include "platform/file_error.h"

namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

class CarefulFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qv-careful-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        if (mounted_) ::umount2(File("small").c_str(), MNT_DETACH);
        fs::remove_all(dir_);
    }

    std::string File(const std::string& name) const { return (dir_ / name).string(); }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static mode_t Mode(const std::string& path) {
        struct stat info {};
        ::lstat(path.c_str(), &info);
        return info.st_mode;
    }
    static void Save(const std::string& path, const std::string& text) {
        CarefulFile file(path);
        file.Write(text.data(), text.size());
        file.Commit();
    }

    fs::path dir_;
    bool mounted_ = false;
};

// A link is saved through: it stays a link and the file it names gets the bytes, mode kept.
TEST_F(CarefulFileTest, SymlinkIsSavedThrough) {
    Write(File("real.fits"), "old");
    ::chmod(File("real.fits").c_str(), 0640);
    fs::create_symlink("real.fits", File("link.fits"));
    Save(File("link.fits"), "new");
    EXPECT_TRUE(S_ISLNK(Mode(File("link.fits"))));
    EXPECT_EQ(Read(File("real.fits")), "new");
    EXPECT_EQ(Mode(File("real.fits")) & 07777, 0640u);
    // A dangling link names the file to create.
    fs::create_symlink("made.fits", File("dangling.fits"));
    Save(File("dangling.fits"), "made");
    EXPECT_TRUE(S_ISLNK(Mode(File("dangling.fits"))));
    EXPECT_EQ(Read(File("made.fits")), "made");
    EXPECT_EQ(Names(), (std::vector<std::string>{"dangling.fits", "link.fits", "made.fits", "real.fits"}));
}

// A FIFO is written into, streaming, and stays a FIFO.
TEST_F(CarefulFileTest, FifoIsWrittenInPlace) {
    ASSERT_EQ(::mkfifo(File("pipe").c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = Read(File("pipe")); });
    {
        CarefulFile file(File("pipe"));
        EXPECT_TRUE(file.Streaming());
        file.Write("through the pipe", 16);
        file.Commit();
    }
    reader.join();
    EXPECT_EQ(received, "through the pipe");
    EXPECT_TRUE(S_ISFIFO(Mode(File("pipe"))));
    EXPECT_EQ(Names(), std::vector<std::string>{"pipe"});
}

// A character device (a null device made in the test folder) is written, never replaced by a file.
TEST_F(CarefulFileTest, CharacterDeviceIsNotReplaced) {
    if (::geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
    ASSERT_EQ(::mknod(File("null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    Save(File("null"), "discarded");
    EXPECT_TRUE(S_ISCHR(Mode(File("null"))));
    EXPECT_EQ(Names(), std::vector<std::string>{"null"});
    // A folder as the target is refused by name.
    fs::create_directory(File("folder"));
    try {
        Save(File("folder"), "x");
        FAIL() << "a folder must be refused";
    } catch (const CFileException& error) {
        EXPECT_NE(std::string(error.what()).find("it is a folder"), std::string::npos) << error.what();
    }
}

// A new file gets 0666 less the umask; an existing one keeps its mode, owner and group.
TEST_F(CarefulFileTest, ModesAndOwnersAreKept) {
    const mode_t oldMask = ::umask(027);
    Save(File("new.qv4"), "n");
    ::umask(oldMask);
    EXPECT_EQ(Mode(File("new.qv4")) & 07777, 0640u);
    Write(File("shared.qv4"), "old");
    ::chmod(File("shared.qv4").c_str(), 0604);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(File("shared.qv4").c_str(), kNobody, kNobody), 0);
    }
    struct stat before {};
    ::stat(File("shared.qv4").c_str(), &before);
    Save(File("shared.qv4"), "new");
    struct stat after {};
    ::stat(File("shared.qv4").c_str(), &after);
    EXPECT_EQ(after.st_mode & 07777, 0604u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(Read(File("shared.qv4")), "new");
}

// A read-only file is refused for a user who may not write it, as cp refuses it.
TEST_F(CarefulFileTest, ReadOnlyFileIsRefusedForItsUser) {
    Write(File("locked.qv4"), "keep");
    ::chmod(File("locked.qv4").c_str(), 0444);
    ::chmod(dir_.c_str(), 0777);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(File("locked.qv4").c_str(), kNobody, kNobody), 0);
    }
    // As root the check runs in a child that became an ordinary user.
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(3);
        try {
            Save(File("locked.qv4"), "lost");
        } catch (const CFileException& error) {
            ::_exit(std::string(error.what()).find("Permission denied") != std::string::npos ? 0 : 2);
        }
        ::_exit(1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: saved, 2: wrong message, 3: could not drop root";
    EXPECT_EQ(Read(File("locked.qv4")), "keep");
    EXPECT_EQ(Names(), std::vector<std::string>{"locked.qv4"});
}

// A 250-byte name saves: the temporary name does not grow with the target's.
TEST_F(CarefulFileTest, LongNameSaves) {
    const std::string name = std::string(246, 'n') + ".qv4";
    Save(File(name), "long");
    Save(File(name), "again");
    EXPECT_EQ(Read(File(name)), "again");
    EXPECT_EQ(Names(), std::vector<std::string>{name});
}

// A full disk fails the save with its cause, the old file intact and no temporary file left.
TEST_F(CarefulFileTest, FullDiskKeepsTheOldFile) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
    const std::string small = File("small");
    fs::create_directory(small);
    ASSERT_EQ(::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k"), 0);
    mounted_ = true;
    const std::string target = small + "/image.qv4";
    Write(target, "old contents");
    try {
        CArchive archive(target, CArchive::store);
        std::vector<char> big(1 << 20, 'x');
        archive.Write(big.data(), big.size());
        archive.Commit();
        FAIL() << "a megabyte cannot fit";
    } catch (const CFileException& error) {
        EXPECT_NE(std::string(error.what()).find("the disk is full"), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find(target), std::string::npos) << error.what();
    }
    EXPECT_EQ(Read(target), "old contents");
    EXPECT_EQ(std::distance(fs::directory_iterator(small), fs::directory_iterator()), 1);
}

// SIGTERM in the middle of a save ends the process, removes the temporary file, keeps the old file.
TEST_F(CarefulFileTest, TerminationDuringSaveLeavesNoTemporaryFile) {
    const std::string target = File("image.qv4");
    Write(target, "old");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CarefulFile file(target);
        file.Write("half of it", 10);
        (void)::write(ready[1], "r", 1);
        for (;;) ::pause();
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    EXPECT_EQ(Names().size(), 2u) << "the temporary file exists while the save runs";
    ::kill(child, SIGTERM);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_EQ(Read(target), "old");
    EXPECT_EQ(Names(), std::vector<std::string>{"image.qv4"});
}

// In a folder anyone may write, links planted at the temporary name and at the
// target while the save runs never lead a write outside the folder.
TEST_F(CarefulFileTest, PlantedLinksNeverRedirectTheWrite) {
    const fs::path outside = dir_ / "outside";
    const fs::path shared = dir_ / "shared";
    fs::create_directories(outside);
    fs::create_directories(shared);
    ::chmod(shared.c_str(), 0777);
    const std::string victim = (outside / "victim").string();
    Write(victim, "precious");
    const std::string target = (shared / "image.qv4").string();
    Write(target, "old");
    try {
        CarefulFile file(target);
        file.Write("first half ", 11);
        for (const auto& entry : fs::directory_iterator(shared)) {
            const fs::path name = entry.path();
            fs::remove(name);
            fs::create_symlink(victim, name);
        }
        file.Write("second half", 11);
        file.Commit();
        FAIL() << "a save whose temporary file was swapped must fail";
    } catch (const CFileException& error) {
        EXPECT_NE(std::string(error.what()).find("replaced"), std::string::npos) << error.what();
    }
    EXPECT_EQ(Read(victim), "precious");
    EXPECT_EQ(std::distance(fs::directory_iterator(outside), fs::directory_iterator()), 1);
    // Only the link planted at the target is left; the one at the temporary name is gone.
    EXPECT_EQ(std::distance(fs::directory_iterator(shared), fs::directory_iterator()), 1);
}

// The check before a long computation names the cause, and passes what a save accepts.
TEST_F(CarefulFileTest, OutputCheckNamesTheProblem) {
    EXPECT_EQ(CheckOutputWritable(File("fine.qv4")), "");
    EXPECT_EQ(CheckOutputWritable(File(std::string(250, 'n'))), "");
    EXPECT_NE(CheckOutputWritable(File("missing/out.qv4")).find("does not exist"), std::string::npos);
    EXPECT_NE(CheckOutputWritable(File(std::string(300, 'n'))).find("too long"), std::string::npos);
    fs::create_directory(File("sub"));
    EXPECT_NE(CheckOutputWritable(File("sub")).find("it is a folder"), std::string::npos);
    EXPECT_EQ(Names(), std::vector<std::string>{"sub"}) << "the check creates nothing";
}

}  // namespace

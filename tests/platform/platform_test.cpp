#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/archive.h"
#include "platform/file_error.h"
#include "platform/messages.h"

namespace {

namespace fs = std::filesystem;

class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qv-platform-test-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string File(const std::string& name) const { return (dir_ / name).string(); }
    size_t FilesInDir() const { return size_t(std::distance(fs::directory_iterator(dir_), fs::directory_iterator())); }

    static void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path dir_;
};

// A committed store replaces the target in one step and keeps its permissions.
TEST_F(ArchiveTest, CommitReplacesTarget) {
    std::string path = File("image.qv4");
    Write(path, "old");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    {
        CArchive archive(path, CArchive::store);
        EXPECT_TRUE(archive.IsStoring());
        EXPECT_EQ(archive.GetFilePath(), path);
        archive.Write("new ", 4);
        archive.Write("bytes", 5);
        EXPECT_EQ(Read(path), "old") << "the target changes only on commit";
        archive.Commit();
    }
    EXPECT_EQ(Read(path), "new bytes");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(FilesInDir(), 1u);
}

// A store abandoned by an exception leaves the old file and no temporary file.
TEST_F(ArchiveTest, AbandonedStoreLeavesNothing) {
    std::string path = File("image.qv4");
    Write(path, "keep me");
    try {
        CArchive archive(path, CArchive::store);
        archive.Write("partial", 7);
        throw CFileException(CFileException::generic, path);
    } catch (const CFileException&) {
    }
    EXPECT_EQ(Read(path), "keep me");
    EXPECT_EQ(FilesInDir(), 1u);
}

// Loading reads what is there, counts what is left, and reports a short read by its size.
TEST_F(ArchiveTest, LoadReadsAndCountsRemainingBytes) {
    std::string path = File("data.bin");
    Write(path, "0123456789");
    CArchive archive(path, CArchive::load);
    EXPECT_EQ(archive.BytesRemaining(), 10u);
    char buffer[8] = {};
    EXPECT_EQ(archive.Read(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_EQ(archive.BytesRemaining(), 6u);
    EXPECT_EQ(archive.Read(buffer, 8), 6u);
    EXPECT_EQ(archive.BytesRemaining(), 0u);
    EXPECT_THROW(archive.Write("x", 1), CFileException);
}

// Files that cannot be opened or created raise a generic file error naming the file.
TEST_F(ArchiveTest, OpenFailuresThrow) {
    std::string missing = File("missing.qv4");
    try {
        CArchive archive(missing, CArchive::load);
        FAIL() << "opened a missing file";
    } catch (const CFileException& error) {
        EXPECT_EQ(error.m_cause, CFileException::generic);
        EXPECT_EQ(error.m_strFileName, missing);
    }
    EXPECT_THROW(CArchive(File("no-such-folder/out.qv4"), CArchive::store), CFileException);
}

// Notices go to the installed handler; the capture restores the previous one.
TEST(Messages, CaptureAndRestore) {
    std::vector<std::string> outer;
    MessageHandler previous = SetMessageHandler([&](const Message& message) { outer.push_back(message.text); });
    {
        ScopedMessageCapture capture;
        ShowMessage("first");
        ShowMessage("second", "FYI", MessageIcon::stop);
        ASSERT_EQ(capture.messages.size(), 2u);
        EXPECT_EQ(capture.messages[1].caption, "FYI");
        EXPECT_EQ(capture.messages[1].icon, MessageIcon::stop);
        EXPECT_EQ(capture.Joined(), "first\nsecond");
    }
    ShowMessage("after");
    EXPECT_EQ(outer, std::vector<std::string>{"after"});
    SetMessageHandler(std::move(previous));
}

}  // namespace

// quorvane-cli deconvolve, run as a user runs it.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "image/image.h"
#include "platform/archive.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Folder {
    fs::path path;
    Folder() {
        path = fs::temp_directory_path() / ("qv_decon_cli_" + std::to_string(getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~Folder() { fs::remove_all(path); }
    std::string File(const char* name) const { return (path / name).string(); }
    size_t Entries() const { return size_t(std::distance(fs::directory_iterator(path), fs::directory_iterator())); }
};

// A native image with a few Gaussian stars on a sky of 1000.
void WriteStarField(const std::string& path, int width, int height) {
    CImage image;
    image.Width = width;
    image.Height = height;
    image.pixels.assign(size_t(width) * height, 1000);
    const double stars[3][2] = {{40, 40}, {width - 50.0, 60}, {width / 2.0, height / 2.0}};
    for (const auto& s : stars)
        for (int y = int(s[1]) - 8; y <= int(s[1]) + 8; ++y)
            for (int x = int(s[0]) - 8; x <= int(s[0]) + 8; ++x) {
                const double r2 = (x - s[0]) * (x - s[0]) + (y - s[1]) * (y - s[1]);
                image.pixels[size_t(y) * width + x] += uint16_t(20000 * std::exp(-r2 / 4.5));
            }
    CArchive archive(path, CArchive::store);
    image.Serialize(archive);
    archive.Commit();
}

std::unique_ptr<CImage> Load(const std::string& path) {
    auto image = std::make_unique<CImage>();
    CArchive archive(path, CArchive::load);
    image->Serialize(archive);
    return image;
}

struct Child {
    pid_t pid = -1;
    int stderrFd = -1;
};

Child Spawn(const std::vector<std::string>& args) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<std::string> all = {QV_CLI_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    Child child;
    EXPECT_EQ(posix_spawn(&child.pid, QV_CLI_PATH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    child.stderrFd = fds[0];
    return child;
}

// Reads the child's stderr until it contains wanted (or ends); returns all read.
std::string ReadUntil(int fd, const std::string& wanted) {
    std::string text;
    char buffer[256];
    while (wanted.empty() || text.find(wanted) == std::string::npos) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, size_t(n));
    }
    return text;
}

int Finish(Child& child, std::string* err = nullptr) {
    const std::string rest = ReadUntil(child.stderrFd, "");
    if (err) *err += rest;
    close(child.stderrFd);
    int status = 0;
    waitpid(child.pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunCli(const std::vector<std::string>& args, std::string* err = nullptr) {
    Child child = Spawn(args);
    return Finish(child, err);
}

}  // namespace

// A run saves a sharper image in the input's format with "Deconvolve" added
// to its history; pixels within 10 of the edge are never touched.
TEST(DeconvolveCli, SavesTheSharpenedImageWithItsHistory) {
    Folder folder;
    const std::string in = folder.File("in.qv4"), out = folder.File("out.qv4");
    WriteStarField(in, 200, 150);
    std::string err;
    ASSERT_EQ(RunCli({"deconvolve", in, out, "--star", "40,40", "--star=150,60", "--iterations", "2"}, &err), 0) << err;
    EXPECT_NE(err.find("Deconvolution complete."), std::string::npos) << err;
    const auto before = Load(in), after = Load(out);
    ASSERT_EQ(after->Width, 200);
    ASSERT_EQ(after->Height, 150);
    EXPECT_EQ(after->fileType, before->fileType);
    EXPECT_EQ(after->History, before->History + char('@' + kHistoryDeconvolve));
    EXPECT_GT(after->At(100, 75), before->At(100, 75));
    for (int x = 0; x < 200; ++x) EXPECT_EQ(after->At(x, 5), before->At(x, 5)) << "pixel " << x << ",5";
}

// --quiet prints nothing on success; --area restricts the run to a rectangle.
TEST(DeconvolveCli, AreaLimitsTheRunAndQuietIsSilent) {
    Folder folder;
    const std::string in = folder.File("in.qv4"), out = folder.File("out.qv4");
    WriteStarField(in, 200, 150);
    std::string err;
    ASSERT_EQ(RunCli({"deconvolve", in, out, "--star", "40,40", "--area", "80,50,130,110", "--quiet"}, &err), 0);
    EXPECT_EQ(err, "");
    const auto before = Load(in), after = Load(out);
    EXPECT_GT(after->At(100, 75), before->At(100, 75));
    EXPECT_EQ(after->At(40, 40), before->At(40, 40));  // outside the area
}

// Bad arguments are usage errors (exit 2); unusable stars fail (exit 1) and
// say why; neither leaves an output file.
TEST(DeconvolveCli, RefusesBadRequestsWithoutWritingAnything) {
    Folder folder;
    const std::string in = folder.File("in.qv4"), out = folder.File("out.qv4");
    WriteStarField(in, 200, 150);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"deconvolve", in, out},
          {"deconvolve", in, out, "--star", "40"},
          {"deconvolve", in, out, "--star", "40,40", "--iterations", "0"},
          {"deconvolve", in, out, "--star", "40,40", "--iterations", "11"},
          {"deconvolve", in, out, "--star", "40,40", "--area", "50,50,20,80"},
          {"deconvolve", in, "--star", "40,40"}})
        EXPECT_EQ(RunCli(args), 2) << args.size();
    std::string err;
    EXPECT_EQ(RunCli({"deconvolve", in, out, "--star", "3,3", "--star", "900,900"}, &err), 1);
    EXPECT_NE(err.find("skipped"), std::string::npos) << err;
    EXPECT_NE(err.find("No usable PSF star"), std::string::npos) << err;
    EXPECT_EQ(RunCli({"deconvolve", folder.File("missing.qv4"), out, "--star", "40,40"}), 1);
    // An output folder that does not exist is refused before the run starts.
    err.clear();
    EXPECT_EQ(RunCli({"deconvolve", in, folder.File("no/out.qv4"), "--star", "40,40"}, &err), 1);
    EXPECT_NE(err.find("does not exist"), std::string::npos) << err;
    EXPECT_EQ(err.find("Deconvolved"), std::string::npos) << "the run must not start: " << err;
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(folder.Entries(), 1u);
}

// Ctrl-C aborts the run cleanly: exit 1, no output, nothing half-written.
TEST(DeconvolveCli, InterruptAbortsWithoutWritingAnything) {
    Folder folder;
    const std::string in = folder.File("in.qv4"), out = folder.File("out.qv4");
    WriteStarField(in, 1200, 1000);
    Child child = Spawn({"deconvolve", in, out, "--star", "40,40", "--iterations", "10"});
    std::string err = ReadUntil(child.stderrFd, "Deconvolved");
    ASSERT_NE(err.find("Deconvolved"), std::string::npos) << err;
    kill(child.pid, SIGINT);
    EXPECT_EQ(Finish(child, &err), 1);
    EXPECT_NE(err.find("Deconvolution aborted."), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(folder.Entries(), 1u);
}

namespace {

std::string FileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Waits for the save's temporary file to appear in the watched folder and
// stops the process there; returns its name, or "" when the run ended first.
std::string StopAtTemporaryFile(int watch, pid_t pid) {
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = read(watch, buffer, sizeof buffer);
        if (n <= 0) return {};
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            const std::string name = event->len > 0 ? event->name : "";
            if (name.rfind(".qv", 0) == 0) {
                kill(pid, SIGSTOP);
                return name;
            }
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
}

}  // namespace

// Ctrl-C while the result is being saved: the process ends by the signal,
// the temporary file is removed and the old output is left as it was. The
// process is stopped the moment its temporary file appears, so the signal
// arrives inside the save; a save that finished before the stop took hold
// is tried again (it never has in practice).
TEST(DeconvolveCli, InterruptDuringTheSaveKeepsTheOldOutput) {
    Folder folder;
    const std::string in = folder.File("in.qv4"), out = folder.File("out.qv4");
    WriteStarField(in, 1500, 1200);
    bool tested = false;
    for (int attempt = 0; attempt < 5 && !tested; ++attempt) {
        { std::ofstream(out, std::ios::binary) << "old output"; }
        const int watch = inotify_init1(IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        ASSERT_GE(inotify_add_watch(watch, folder.path.c_str(), IN_CREATE), 0);
        Child child = Spawn({"deconvolve", in, out, "--star", "40,40", "--iterations", "1", "--quiet"});
        const std::string temporary = StopAtTemporaryFile(watch, child.pid);
        close(watch);
        int status = 0;
        ASSERT_EQ(waitpid(child.pid, &status, WUNTRACED), child.pid);
        if (!WIFSTOPPED(status) || !fs::exists(folder.path / temporary) || FileText(out) != "old output") {
            if (WIFSTOPPED(status)) kill(child.pid, SIGCONT);
            Finish(child);
            continue;
        }
        tested = true;
        kill(child.pid, SIGINT);
        kill(child.pid, SIGCONT);
        ReadUntil(child.stderrFd, "");
        close(child.stderrFd);
        ASSERT_EQ(waitpid(child.pid, &status, 0), child.pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
        EXPECT_EQ(WTERMSIG(status), SIGINT);
        EXPECT_EQ(FileText(out), "old output");
        EXPECT_FALSE(fs::exists(folder.path / temporary));
        EXPECT_EQ(folder.Entries(), 2u) << "only the input and the old output remain";
    }
    EXPECT_TRUE(tested) << "the save never outlasted the stop";
}

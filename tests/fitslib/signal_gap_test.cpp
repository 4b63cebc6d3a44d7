// A signal that arrives while the careful save makes its temporary file, in
// the moment between creating it and recording it for the clean-up, must not
// leave the file behind. The moment is made certain by raising the signal
// from inside fdopen, which the save calls right there; this program's own
// fdopen stands in front of the C library's for that.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "orbex_internal.h"

namespace fs = std::filesystem;

namespace {

volatile sig_atomic_t raise_in_fdopen = 0;

}  // namespace

extern "C" FILE* fdopen(int fd, const char* mode) {
    using Fdopen = FILE* (*)(int, const char*);
    static const auto real = reinterpret_cast<Fdopen>(dlsym(RTLD_NEXT, "fdopen"));
    if (raise_in_fdopen) ::raise(SIGTERM);
    return real(fd, mode);
}

// The process still ends by the signal, and the folder holds only the old file.
TEST(FitsSaveSignals, SignalWhileTheTemporaryFileIsMadeLeavesNothing) {
    const fs::path folder = fs::temp_directory_path() / ("orbex_signal_gap_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path target = folder / "keep.fits";
    std::ofstream(target) << "original";
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        fits_save_guardsignals();
        raise_in_fdopen = 1;
        FitsSaveFile file;
        file.open(target.c_str());
        ::_exit(4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status;
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"keep.fits"});
    std::ifstream in(target);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "original");
    fs::remove_all(folder);
}

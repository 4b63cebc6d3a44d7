#pragma once
// Running the built quorvane-cli from tests, and writing small native image
// files for it in a temporary folder.

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "image/image.h"
#include "platform/archive.h"

namespace clitest {

struct CliResult {
    int exitCode = -1;
    std::string out;
};

// Runs quorvane-cli with the arguments (each shell-quoted); stderr is dropped.
inline CliResult RunCli(const std::string& arguments) {
    CliResult result;
    const std::string command = std::string("'") + QV_CLI_PATH + "' " + arguments + " 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

inline std::string Quote(const std::string& path) { return "'" + path + "'"; }

// A fresh folder under the system's temporary folder, removed afterwards.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qvcli-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Saves the record as a native file at path.
inline void SaveNative(CImage& image, const std::string& path) {
    CArchive archive(path, CArchive::store);
    image.Serialize(archive);
    archive.Commit();
}

}  // namespace clitest

#include "app/tip_file.h"

#include <sys/stat.h>

#include <ctime>

bool IsTipLine(const std::string& line) {
    if (line.empty()) return false;
    const char first = line.front();
    return first != ' ' && first != '\t' && first != '\n' && first != ';';
}

bool TipFile::Open(const std::string& path) {
    Close();
    file_ = std::fopen(path.c_str(), "r");
    path_ = path;
    return file_ != nullptr;
}

void TipFile::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

std::string TipFile::ModificationStamp() const {
    struct stat status {};
    if (stat(path_.c_str(), &status) != 0) return {};
    const std::time_t modified = status.st_mtime;
    const char* text = std::ctime(&modified);
    std::string stamp = text ? text : "";
    while (!stamp.empty() && (stamp.back() == '\n' || stamp.back() == ' ' || stamp.back() == '\t' || stamp.back() == '\r'))
        stamp.pop_back();
    return stamp;
}

bool TipFile::Seek(long offset) { return file_ && std::fseek(file_, offset, SEEK_SET) == 0; }

long TipFile::Position() const { return file_ ? std::ftell(file_) : 0; }

TipFile::Result TipFile::NextTip(std::string& text) {
    if (!file_) return Result::noTips;
    char line[kLongestLine + 1];
    // The end of the file may be met twice (once from where reading began,
    // once from the top); a third time means there is no tip at all.
    for (int wraps = 0; wraps < 2;) {
        if (std::fgets(line, sizeof line, file_)) {
            if (IsTipLine(line)) {
                text = line;
                return Result::tip;
            }
            continue;
        }
        if (std::fseek(file_, 0, SEEK_SET) != 0) return Result::seekFailed;
        ++wraps;
    }
    return Result::noTips;
}

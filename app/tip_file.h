#pragma once
// Reading tips from the tips file: one tip per line, lines starting with a
// space, a tab, a line end or ";" skipped, reading on from a remembered
// byte offset and starting again at the top after the last tip.
// Widget-free.

#include <cstdio>
#include <string>

class TipFile {
public:
    // The longest piece of a line read as one line.
    static constexpr int kLongestLine = 999;

    TipFile() = default;
    ~TipFile() { Close(); }
    TipFile(const TipFile&) = delete;
    TipFile& operator=(const TipFile&) = delete;

    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }

    // The file's modification time as ctime writes it, trailing white
    // space removed ("" when it cannot be read).
    std::string ModificationStamp() const;

    bool Seek(long offset);
    // Where the next read starts.
    long Position() const;

    enum class Result { tip, seekFailed, noTips };
    // Reads the next tip into text (keeping its line end), going back to the
    // top at the end of the file. A file without any tip gives noTips
    // instead of reading forever.
    Result NextTip(std::string& text);

private:
    std::FILE* file_ = nullptr;
    std::string path_;
};

// Whether a line read from the tips file is a tip.
bool IsTipLine(const std::string& line);

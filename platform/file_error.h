#pragma once
// The file error raised by Serialize: a cause and the file it concerns.

#include <stdexcept>
#include <string>

class CFileException : public std::runtime_error {
public:
    enum Cause { none, generic, endOfFile };

    CFileException(Cause cause, std::string path, std::string detail = {})
        : std::runtime_error(detail.empty() ? DescribeCause(cause) : detail),
          m_cause(cause), m_strFileName(std::move(path)) {}

    static const char* DescribeCause(Cause cause) {
        switch (cause) {
        case endOfFile: return "Unexpected end of file";
        case generic: return "The file could not be read or written";
        default: return "No error";
        }
    }

    Cause m_cause;
    std::string m_strFileName;
};

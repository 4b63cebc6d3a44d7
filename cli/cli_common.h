#pragma once
// What every quorvane-cli command shares: argument parsing, exit codes,
// loading and saving images with the program's own messages, JSON text and
// output files that are never left half-written.

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class CImage;

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // input refused or unreadable, output not written
inline constexpr int kExitUsage = 2;

struct OptionSpec {
    std::string name;  // with its dashes, e.g. "--json"
    bool takesValue = false;
};

struct ParsedArgs {
    std::vector<std::string> positional;
    std::set<std::string> flags;
    std::map<std::string, std::string> values;

    bool Has(const std::string& name) const { return flags.count(name) || values.count(name); }
    std::optional<std::string> Value(const std::string& name) const;
};

// Splits args into positionals and the given options ("--name value" or
// "--name=value"). On a usage error returns nothing and says why in problem.
std::optional<ParsedArgs> ParseArgs(const std::vector<std::string>& args, const std::vector<OptionSpec>& options,
                                    size_t minPositional, size_t maxPositional, std::string& problem);

// Prints "quorvane-cli: text" as one line on stderr.
void PrintError(const std::string& text);

// A whole-text number; false when the text is not exactly one number in range.
bool ParseInt(const std::string& text, int& value);

// Loads the file into image. On failure prints one line carrying the
// program's own message for the file and returns false. A FITS image of
// values wider than 16 bits is refused with wideHint after the message
// (by default: how to convert it first).
bool LoadImageFile(const std::string& path, CImage& image, const std::string& wideHint = {});
// Saves image to path in the format its fileType names, through a temporary
// file renamed into place. On failure prints one line and returns false.
bool SaveImageFile(const std::string& path, CImage& image);

// The output name that stands for standard output where a command allows it.
inline constexpr const char* kStandardOutputName = "-";

// Writes bytes to path through a temporary file renamed into place (a device
// or FIFO, and "-" for standard output, are written directly); on failure
// prints one line, leaves any existing file alone, returns false.
bool WriteFileAtomically(const std::string& path, const void* bytes, size_t count);
bool WriteFileAtomically(const std::string& path, std::string_view text);

// Whether path can be saved to (folder exists and is writable, name valid);
// prints the reason and returns false when not. For commands that compute long.
bool CheckOutputPath(const std::string& path);

// A JSON string literal, quotes included. Bytes that are not UTF-8 are taken
// as Latin-1 so the output is always valid JSON.
std::string JsonString(std::string_view text);
// A JSON number for a double (null for values JSON cannot hold).
std::string JsonNumber(double value);

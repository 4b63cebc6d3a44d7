#include "cli/cli_common.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>

#include "image/image.h"
#include "image/wide_fits.h"
#include "platform/archive.h"
#include "platform/file_error.h"
#include "platform/messages.h"

namespace {

// Message boxes may hold blank lines; a terminal line may not.
std::string OneLine(const std::string& text) {
    std::string line;
    bool pendingSpace = false;
    for (char c : text) {
        if (c == '\n' || c == '\r') {
            pendingSpace = !line.empty();
            continue;
        }
        if (pendingSpace) line += ' ';
        pendingSpace = false;
        line += c;
    }
    return line;
}

// The program's own notice when it showed one, else the file error's text.
void ReportFileFailure(const std::string& path, const ScopedMessageCapture& capture, const std::exception& error) {
    std::string text = capture.messages.empty() ? error.what() : capture.messages.front().text;
    PrintError(path + ": " + OneLine(text));
}

void AppendUtf8AsJson(std::string& out, std::string_view text, size_t& at) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(at);
    size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead <= 0xDF ? 2 : 0;
    bool valid = length != 0 && at + length <= text.size();
    for (size_t i = 1; valid && i < length; ++i) valid = (byte(at + i) & 0xC0) == 0x80;
    if (valid && length == 3) {
        unsigned char second = byte(at + 1);
        valid = !(lead == 0xE0 && second < 0xA0) && !(lead == 0xED && second >= 0xA0);
    }
    if (valid && length == 4) {
        unsigned char second = byte(at + 1);
        valid = !(lead == 0xF0 && second < 0x90) && !(lead == 0xF4 && second >= 0x90);
    }
    if (valid) {
        out.append(text.substr(at, length));
        at += length;
        return;
    }
    // Latin-1: the byte's value is its code point.
    out += char(0xC0 | (lead >> 6));
    out += char(0x80 | (lead & 0x3F));
    ++at;
}

}  // namespace

std::optional<std::string> ParsedArgs::Value(const std::string& name) const {
    auto found = values.find(name);
    if (found == values.end()) return std::nullopt;
    return found->second;
}

std::optional<ParsedArgs> ParseArgs(const std::vector<std::string>& args, const std::vector<OptionSpec>& options,
                                    size_t minPositional, size_t maxPositional, std::string& problem) {
    ParsedArgs parsed;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg.substr(0, arg.find('='));
        const OptionSpec* matched = nullptr;
        for (const OptionSpec& option : options) {
            if (option.name == name) matched = &option;
        }
        if (!matched) {
            problem = "unknown option \"" + name + "\"";
            return std::nullopt;
        }
        if (!matched->takesValue) {
            if (name != arg) {
                problem = "option " + name + " takes no value";
                return std::nullopt;
            }
            parsed.flags.insert(name);
        } else if (name != arg) {
            parsed.values[name] = arg.substr(name.size() + 1);
        } else if (i + 1 < args.size()) {
            parsed.values[name] = args[++i];
        } else {
            problem = "option " + name + " needs a value";
            return std::nullopt;
        }
    }
    if (parsed.positional.size() < minPositional || parsed.positional.size() > maxPositional) {
        problem = "wrong number of arguments";
        return std::nullopt;
    }
    return parsed;
}

void PrintError(const std::string& text) { std::fprintf(stderr, "quorvane-cli: %s\n", OneLine(text).c_str()); }

bool ParseInt(const std::string& text, int& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    auto result = std::from_chars(first, last, value);
    return first != last && result.ec == std::errc() && result.ptr == last;
}

bool LoadImageFile(const std::string& path, CImage& image, const std::string& wideHint) {
    ScopedMessageCapture capture;
    try {
        CArchive archive(path, CArchive::load);
        image.Serialize(archive);
        return true;
    } catch (const WideFitsRefused& wide) {
        // This command does not convert: say which one does.
        const std::string hint = !wideHint.empty() ? wideHint
                                                   : "Convert it first: quorvane-cli convert " + path +
                                                         " OUT.fits --scale auto";
        PrintError(path + ": " + wide.what() + " " + hint + ".");
        return false;
    } catch (const std::exception& error) {
        ReportFileFailure(path, capture, error);
        return false;
    }
}

bool SaveImageFile(const std::string& path, CImage& image) {
    ScopedMessageCapture capture;
    try {
        CArchive archive(path, CArchive::store);
        image.Serialize(archive);
        archive.Commit();
        return true;
    } catch (const std::exception& error) {
        ReportFileFailure(path, capture, error);
        return false;
    }
}

bool WriteFileAtomically(const std::string& path, const void* bytes, size_t count) {
    try {
        CArchive archive = path == kStandardOutputName ? CArchive(CarefulFile::StandardOutput())
                                                       : CArchive(path, CArchive::store);
        archive.Write(bytes, count);
        archive.Commit();
        return true;
    } catch (const std::exception& error) {
        PrintError(error.what());
        return false;
    }
}

bool WriteFileAtomically(const std::string& path, std::string_view text) {
    return WriteFileAtomically(path, text.data(), text.size());
}

bool CheckOutputPath(const std::string& path) {
    const std::string problem = CheckOutputWritable(path);
    if (problem.empty()) return true;
    PrintError(problem);
    return false;
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (size_t at = 0; at < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[at]);
        if (c >= 0x80) {
            AppendUtf8AsJson(out, text, at);
            continue;
        }
        ++at;
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += char(c);
            }
        }
    }
    return out + "\"";
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    char digits[64];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    return std::string(digits, result.ptr);
}

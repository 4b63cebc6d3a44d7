#include "cli/deconvolve_report.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "cli/cli_common.h"
#include "decon/star_check.h"
#include "image/image.h"

namespace fs = std::filesystem;

RunReport::RunReport(CImage& image, std::string out, bool verboseLines, bool jsonReport, std::string keepDirectory)
    : verbose(verboseLines), json(jsonReport), image_(image), out_(std::move(out)),
      keepDirectory_(std::move(keepDirectory)) {}

bool RunReport::PrepareFolder() {
    if (keepDirectory_.empty()) return true;
    std::error_code error;
    fs::create_directories(keepDirectory_, error);
    if (!fs::is_directory(keepDirectory_, error)) {
        PrintError("cannot make the folder " + keepDirectory_ + " for the iterations" +
                   (error ? ": " + error.message() : std::string()));
        return false;
    }
    return true;
}

void RunReport::AddStar(int column, int row) {
    const StarCheckResult r = CheckStar(image_.pixels.data(), int32_t(image_.Width), int32_t(image_.Height),
                                        column, row, {.saturationLevel = image_.Sat_level});
    stars_.push_back("{\"x\": " + std::to_string(column) + ", \"y\": " + std::to_string(row) +
                     ", \"check\": " + JsonString(StarCheckName(r.check)) +
                     ", \"used\": " + (UsedByEngine(r.check) ? "true" : "false") + "}");
}

void RunReport::StepChanged(int step, int steps, double change) {
    changes_.push_back(change);
    if (!verbose) return;
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits - 1, change, std::chars_format::general, 6).ptr;
    *end = '\0';
    std::fprintf(stderr, "Step %d of %d changed the image by %s\n", step + 1, steps, digits);
}

// IN's format under OUT's name with the iteration number: out-iteration-3.qv4.
std::string RunReport::IterationPath(int iteration) const {
    const fs::path out(out_);
    char number[16];
    std::snprintf(number, sizeof number, "-iteration-%d", iteration);
    return (fs::path(keepDirectory_) / (out.stem().string() + number + out.extension().string())).string();
}

void RunReport::IterationEnded(int iteration) {
    if (keepDirectory_.empty() || failed_) return;
    // The entry is the kept file's alone: the run's own output adds it once.
    const std::string history = image_.History, historyCards = image_.fitsHistoryCards;
    image_.AddHistory(kHistoryDeconvolve);
    const std::string path = IterationPath(iteration);
    failed_ = !SaveImageFile(path, image_);
    image_.History = history;
    image_.fitsHistoryCards = historyCards;
    if (!failed_) kept_.push_back(path);
}

void RunReport::PrintJson(const std::string& in, int iterations) const {
    if (!json) return;
    std::string text = "{\n  \"in\": " + JsonString(in) + ",\n  \"out\": " + JsonString(out_) +
                       ",\n  \"iterations\": " + std::to_string(iterations) + ",\n  \"stars\": [";
    for (size_t i = 0; i < stars_.size(); ++i) text += (i ? ", " : "") + stars_[i];
    text += "],\n  \"stepChange\": [";
    for (size_t i = 0; i < changes_.size(); ++i) text += (i ? ", " : "") + JsonNumber(changes_[i]);
    text += "],\n  \"keptIterations\": [";
    for (size_t i = 0; i < kept_.size(); ++i) text += (i ? ", " : "") + JsonString(kept_[i]);
    text += "]\n}\n";
    std::fputs(text.c_str(), stdout);
}

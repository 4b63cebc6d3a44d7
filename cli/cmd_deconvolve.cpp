// quorvane-cli deconvolve IN OUT --star X,Y [--star X,Y ...] [--iterations N]
// [--area LEFT,TOP,RIGHT,BOTTOM] [--protect] [--quiet] [--auto-stars N] [--verbose]
// [--json] [--keep-iterations DIR] [--scale auto|MIN,MAX]: the window's
// "Start L-R" without a window.
// Ctrl-C aborts; OUT is then not written. Ctrl-C while OUT is being saved
// ends the program at once: the temporary file is removed and any old OUT
// stays as it was. --verbose adds a line per step with how much it changed
// the image, --json prints a report on stdout, --keep-iterations saves the
// image after each iteration into DIR.

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "cli/commands.h"
#include "cli/deconvolve_report.h"
#include "cli/wide_load.h"
#include "decon/decon_engine.h"
#include "decon/decon_texts.h"
#include "decon/run_selection.h"
#include "decon/star_pick.h"
#include "decon/star_check.h"
#include "image/image.h"

namespace {

constexpr int kDefaultIterations = 5;
constexpr int kBarWidth = 30;
constexpr int kMostAutoStars = 100;

std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void OnInterrupt(int) { interrupted.store(true, std::memory_order_relaxed); }

// "A,B" or "A,B,C,D" into count whole numbers.
bool ParseIntList(const std::string& text, size_t count, std::vector<int>& values) {
    values.clear();
    size_t start = 0;
    while (values.size() < count) {
        const size_t comma = text.find(',', start);
        const bool last = values.size() + 1 == count;
        if (last != (comma == std::string::npos)) return false;
        int value = 0;
        if (!ParseInt(text.substr(start, last ? std::string::npos : comma - start), value)) return false;
        values.push_back(value);
        start = comma + 1;
    }
    return true;
}

// Takes every --star out of args, since the common parser keeps one value per option.
bool TakeStars(std::vector<std::string>& args, std::vector<std::pair<int, int>>& stars, std::string& problem) {
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string value;
        if (args[i] == "--star") {
            if (i + 1 == args.size()) return problem = "--star needs X,Y", false;
            value = args[++i];
        } else if (args[i].rfind("--star=", 0) == 0) {
            value = args[i].substr(7);
        } else {
            rest.push_back(args[i]);
            continue;
        }
        std::vector<int> xy;
        if (!ParseIntList(value, 2, xy)) return problem = "--star takes X,Y, not \"" + value + "\"", false;
        stars.emplace_back(xy[0], xy[1]);
    }
    args = rest;
    return true;
}

// The engine's status line as a progress bar on stderr (one line per
// stage and per tenth when stderr is not a terminal).
class ProgressHooks : public DeconHooks {
public:
    ProgressHooks(bool quiet, RunReport& report) : report_(report), quiet_(quiet), terminal_(isatty(STDERR_FILENO)) {}
    ~ProgressHooks() override { Finish(); }

    bool AbortRequested() override { return interrupted.load(std::memory_order_relaxed) || report_.Failed(); }
    bool WantsStepChange() override { return report_.WantsStepChange(); }
    void StepChanged(int step, int steps, double change) override {
        if (report_.verbose && open_) Finish();
        report_.StepChanged(step, steps, change);
    }
    void IterationEnded(int iteration) override { report_.IterationEnded(iteration); }
    void SetStatus(const char* text) override {
        last_ = text;
        int percent = 0;
        if (std::sscanf(text, "Deconvolved %d%%", &percent) != 1) percent = 0;
        if (quiet_) return;
        if (terminal_) {
            const int filled = percent * kBarWidth / 100;
            std::fprintf(stderr, "\r[%s%s] %-40s", std::string(filled, '#').c_str(),
                         std::string(kBarWidth - filled, ' ').c_str(), text);
            open_ = true;
        } else if (percent / 10 != shownTenth_ || percent == 0) {
            shownTenth_ = percent / 10;
            std::fprintf(stderr, "%s\n", text);
        }
        std::fflush(stderr);
    }
    void Finish() {
        if (open_) std::fprintf(stderr, "\n");
        open_ = false;
    }
    const std::string& Last() const { return last_; }

private:
    RunReport& report_;
    bool quiet_;
    bool terminal_;
    bool open_ = false;
    int shownTenth_ = -1;
    std::string last_;
};

struct DeconvolveRequest {
    std::string in, out;
    std::vector<std::pair<int, int>> stars;
    int iterations = kDefaultIterations;
    std::optional<DeconRect> area;
    bool quiet = false;
    bool protect = false;
    int autoStars = 0;  // pick this many stars instead of --star
    bool verbose = false;
    bool json = false;
    std::string keepDirectory;
    std::optional<WideScale> scale;
};

// Fills request from the arguments; returns a usage problem, empty when fine.
std::string ParseRequest(std::vector<std::string> args, DeconvolveRequest& request) {
    std::string problem;
    if (!TakeStars(args, request.stars, problem)) return problem;
    auto parsed = ParseArgs(args,
                            {{"--iterations", true},
                             {"--area", true},
                             {"--quiet", false},
                             {"--protect", false},
                             {"--verbose", false},
                             {"--json", false},
                             {"--keep-iterations", true},
                             {"--auto-stars", true},
                             {"--scale", true}},
                            2, 2, problem);
    if (!parsed) return problem;
    if (!ParseScaleOption(parsed->Value("--scale"), request.scale, problem)) return problem;
    if (auto text = parsed->Value("--auto-stars")) {
        if (!ParseInt(*text, request.autoStars) || request.autoStars < 1 || request.autoStars > kMostAutoStars)
            return "--auto-stars takes 1 to " + std::to_string(kMostAutoStars) + ", not \"" + *text + "\"";
        if (!request.stars.empty()) return "--auto-stars and --star cannot be combined";
    }
    if (request.stars.empty() && request.autoStars == 0)
        return "at least one --star X,Y (or --auto-stars N) is needed for the PSF";
    request.in = parsed->positional[0];
    request.out = parsed->positional[1];
    request.quiet = parsed->Has("--quiet");
    request.protect = parsed->Has("--protect");
    request.verbose = parsed->Has("--verbose");
    request.json = parsed->Has("--json");
    if (auto dir = parsed->Value("--keep-iterations")) {
        if (dir->empty()) return "--keep-iterations needs a folder";
        request.keepDirectory = *dir;
    }
    if (auto text = parsed->Value("--iterations")) {
        int& iterations = request.iterations;
        if (!ParseInt(*text, iterations) || iterations < kMinIterations || iterations > kMaxIterations)
            return "--iterations takes 1 to 10, not \"" + *text + "\"";
    }
    if (auto text = parsed->Value("--area")) {
        std::vector<int> v;
        if (!ParseIntList(*text, 4, v) || v[2] <= v[0] || v[3] <= v[1])
            return "--area takes LEFT,TOP,RIGHT,BOTTOM with RIGHT > LEFT and BOTTOM > TOP, not \"" + *text + "\"";
        request.area = DeconRect{v[1], v[0], v[3], v[2]};
    }
    return {};
}

class InterruptGuard {
public:
    InterruptGuard() {
        interrupted.store(false);
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous_);
    }
    ~InterruptGuard() { sigaction(SIGINT, &previous_, nullptr); }

private:
    struct sigaction previous_ {};
};

// The run itself, with Ctrl-C turned into an abort request while it lasts.
bool Deconvolve(const DeconvolveRequest& request, CImage& image, RunReport& report) {
    InterruptGuard interruptGuard;
    ProgressHooks hooks(request.quiet, report);
    DeconEngine engine;
    engine.SetHooks(&hooks);
    DeconOptions options;
    options.protect = request.protect;
    // The protected run's parts one by one, for measuring each.
    if (const char* parts = std::getenv("QV_DECON_PROTECT_PARTS"))
        options.protectParts = static_cast<uint32_t>(std::strtoul(parts, nullptr, 0));
    if (!engine.Init(image.Width, image.Height, options)) {
        PrintError(engine.ErrorText());
        return false;
    }
    engine.SetImage(image.pixels.data());
    for (auto [x, y] : request.stars) {
        if (request.json) report.AddStar(x, y);
        if (engine.AddStar(x, y) != StarOutcome::used) PrintError(hooks.Last());
    }
    const DeconRect rect = RunSelection(request.area ? &*request.area : nullptr, image.Width, image.Height);
    engine.SetSelection(rect.top, rect.left, rect.bottom, rect.right);

    const StartOutcome outcome = engine.Start(request.iterations);
    hooks.Finish();
    if (outcome == StartOutcome::refused) {
        PrintError(engine.RefusalText() + " " + request.out + " was not written.");
        return false;
    }
    if (outcome == StartOutcome::aborted) {
        if (!report.Failed()) PrintError(std::string(kTextRunAborted) + " " + request.out + " was not written.");
        return false;
    }
    engine.ReturnImage();
    return true;
}

}  // namespace

// --auto-stars: the stars the engine's rules accept, each rejection said on stderr.
static bool PickStarsFor(DeconvolveRequest& request, const CImage& image) {
    const AutoStars picked = PickStars(image.pixels.data(), image.Width, image.Height, request.autoStars, image.Sat_level);
    if (!request.quiet)
        for (const StarRejection& r : picked.rejected) std::fprintf(stderr, "%s\n", r.reason.c_str());
    if (picked.stars.empty()) {
        PrintError("no star suitable as a PSF sample was found in " + request.in + "; " + request.out + " was not written.");
        return false;
    }
    std::string list;
    for (const StarPick& s : picked.stars) {
        request.stars.emplace_back(s.column, s.row);
        list += (list.empty() ? "" : " ") + std::to_string(s.column) + "," + std::to_string(s.row);
    }
    if (!request.quiet) std::fprintf(stderr, "PSF stars picked: %s\n", list.c_str());
    return true;
}

int RunDeconvolve(const std::vector<std::string>& args) {
    DeconvolveRequest request;
    if (std::string problem = ParseRequest(args, request); !problem.empty())
        return UsageError("deconvolve", problem);

    CImage image;
    if (request.scale && !DistinctOutput(request.in, request.out)) return kExitFailed;
    if (!LoadImageFileScaled(request.in, image, request.scale)) return kExitFailed;
    // A bad output is refused before the run, not after it.
    if (!CheckOutputPath(request.out)) return kExitFailed;
    if (request.autoStars > 0 && !PickStarsFor(request, image)) return kExitFailed;
    RunReport report(image, request.out, request.verbose, request.json, request.keepDirectory);
    if (!report.PrepareFolder()) return kExitFailed;
    if (!Deconvolve(request, image, report)) return kExitFailed;
    // The run's handler is gone: a Ctrl-C now ends the save the careful way.
    if (interrupted.load()) {
        PrintError(std::string(kTextRunAborted) + " " + request.out + " was not written.");
        return kExitFailed;
    }
    image.AddHistory(kHistoryDeconvolve);
    if (!SaveImageFile(request.out, image)) return kExitFailed;
    if (!request.quiet) std::fprintf(stderr, "%s\n", kTextRunComplete);
    report.PrintJson(request.in, request.iterations);
    return kExitOk;
}

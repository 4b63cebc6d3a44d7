#pragma once
// An image window stand-in for the run driver: a generated star field in an
// image record, the star list and selection, and a log of everything the
// driver asked of the window.

#include <QStringList>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <memory>
#include <numeric>

#include "app/run/decon_run_driver.h"
#include "image/image.h"
#include "tools/samplegen/sample_image.h"
#include "tools/samplegen/star_field.h"

class FakeRunHost : public DeconRunHost {
public:
    explicit FakeRunHost(bool& busyFlag) : busy_(busyFlag) {}

    int32_t ImageWidth() const override { return image.Width; }
    int32_t ImageHeight() const override { return image.Height; }
    uint16_t* ImagePixels() override { return image.pixels.data(); }
    std::vector<RunStar> Stars() const override { return stars; }
    std::optional<DeconRect> Selection() const override { return selection; }
    void SetStatusText(const QString& text) override {
        if (statuses.isEmpty() || statuses.last() != text) statuses << text;
    }
    // Reads every pixel, as rebuilding the display bitmap does.
    void ApplyContrastSettings() override {
        ++applies;
        shownSum = std::accumulate(image.pixels.begin(), image.pixels.end(), uint64_t(0));
    }
    void InvalidateHistogram() override { ++invalidations; }
    void MarkModified() override { modified = true; }
    void AddHistory(int code) override { image.AddHistory(code); }
    bool IsBusy() const override { return busy_; }
    void SetBusy(bool busy) override { busy_ = busy; }

    bool HasDeconvolveEntry() const { return image.History.find(char('@' + kHistoryDeconvolve)) != std::string::npos; }

    CImage image;
    std::vector<RunStar> stars;
    std::optional<DeconRect> selection;
    QStringList statuses;
    int applies = 0;
    int invalidations = 0;
    bool modified = false;
    uint64_t shownSum = 0;

private:
    bool& busy_;
};

// A seeded star field; the brightest stars well inside the image come first.
inline std::vector<RunStar> FillStarField(CImage& image, int width, int height, uint64_t seed = 7) {
    StarFieldOptions options;
    options.width = width;
    options.height = height;
    options.seed = seed;
    options.starCount = std::max(20, width * height / 1500);
    options.brightestPeak = 30000.0;
    const StarField field = GenerateStarField(options);
    SetSampleHeader(image);
    StarFieldToImage(field, image);
    std::vector<RunStar> inside;
    for (const SampleStar& star : field.stars) {
        const int x = int(std::lround(star.x)), y = int(std::lround(star.y));
        if (x >= 25 && y >= 25 && x < width - 25 && y < height - 25) inside.push_back({x, y});
    }
    return inside;
}

// Every command the driver posted, in order.
struct PostLog {
    std::vector<PostedCommand> posts;
    std::vector<DeconCommand> Commands() const {
        std::vector<DeconCommand> codes;
        for (const PostedCommand& post : posts) codes.push_back(post.command);
        return codes;
    }
    bool Has(DeconCommand command) const {
        const auto codes = Commands();
        return std::find(codes.begin(), codes.end(), command) != codes.end();
    }
};

// Quick periods for the tests that are not about the written timing.
inline DeconRunDriver::Options QuickOptions(PostLog& log) {
    DeconRunDriver::Options options;
    options.tickPeriod = std::chrono::milliseconds(40);
    options.starPollPeriod = std::chrono::milliseconds(5);
    options.worker.pollPeriod = std::chrono::milliseconds(10);
    options.onPost = [&log](const PostedCommand& post) { log.posts.push_back(post); };
    return options;
}

inline QString CommandNames(const std::vector<DeconCommand>& codes) {
    QStringList names;
    for (DeconCommand code : codes) names << QString::number(int(code));
    return names.join(QLatin1Char(' '));
}

// Waits for the run to end (the driver's timers keep running meanwhile).
#define WAIT_FOR_RUN_END(driver) QTRY_VERIFY_WITH_TIMEOUT(!(driver).IsRunning(), 60000)

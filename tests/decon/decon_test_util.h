#pragma once
// Small synthetic star fields and a recording set of hooks for the engine tests.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "decon/decon_engine.h"

struct TestImage {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> pixels;
    uint16_t& At(int column, int row) { return pixels[size_t(row) * width + column]; }
    uint16_t At(int column, int row) const { return pixels[size_t(row) * width + column]; }
};

struct TestStar {
    double column = 0;
    double row = 0;
    double peak = 0;
    double sigma = 1.5;
};

// Flat sky with deterministic pseudo-random noise of the given amplitude and
// Gaussian stars added on top.
TestImage MakeStarField(int width, int height, double sky, double noise, const std::vector<TestStar>& stars,
                        uint32_t seed = 1);

// Records what the engine reports; can ask for an abort from a given status on.
struct RecordingHooks : DeconHooks {
    std::vector<std::string> statuses;
    int updates = 0;
    std::function<bool(const std::string& status)> abortFrom;
    int abortAtUpdate = 0;  // abort once this many image updates were signalled
    bool aborting = false;

    bool AbortRequested() override { return aborting; }
    void SetStatus(const char* text) override {
        statuses.emplace_back(text);
        if (abortFrom && abortFrom(text)) aborting = true;
    }
    void ImageUpdated() override {
        if (++updates == abortAtUpdate) aborting = true;
    }
};

struct RunSetup {
    std::vector<std::pair<int, int>> stars;  // column, row
    std::optional<DeconRect> selection;     // none: the whole image less 10 pixels
    int iterations = 1;
    DeconOptions options;
};

// Init, SetImage, AddStar..., SetSelection, Start and, unless aborted,
// ReturnImage, on image's own pixels.
StartOutcome RunEngine(TestImage& image, const RunSetup& setup, DeconHooks* hooks = nullptr,
                       DeconEngine* engine = nullptr);

// 16-bit binary PGM, the reviewable form of the golden data.
bool ReadPgm16(const std::string& path, TestImage& image);
bool WritePgm16(const std::string& path, const TestImage& image);

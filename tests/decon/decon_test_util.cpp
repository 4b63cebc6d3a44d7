#include "decon_test_util.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "decon/run_selection.h"

TestImage MakeStarField(int width, int height, double sky, double noise, const std::vector<TestStar>& stars,
                        uint32_t seed) {
    TestImage image{width, height, std::vector<uint16_t>(size_t(width) * height)};
    uint32_t state = seed * 2654435761u + 1;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) {
            state = state * 1664525u + 1013904223u;
            double v = sky + noise * ((state >> 8) / double(1 << 24) - 0.5) * 2.0;
            for (const TestStar& s : stars) {
                const double dx = column - s.column, dy = row - s.row;
                v += s.peak * std::exp(-(dx * dx + dy * dy) / (2.0 * s.sigma * s.sigma));
            }
            image.At(column, row) = uint16_t(std::lround(std::fmin(std::fmax(v, 0.0), 65535.0)));
        }
    return image;
}

StartOutcome RunEngine(TestImage& image, const RunSetup& setup, DeconHooks* hooks, DeconEngine* engine) {
    std::unique_ptr<DeconEngine> own;
    if (engine == nullptr) {
        own = std::make_unique<DeconEngine>();
        engine = own.get();
    }
    engine->SetHooks(hooks);
    if (!engine->Init(image.width, image.height, setup.options)) return StartOutcome::refused;
    engine->SetImage(image.pixels.data());
    for (const auto& [column, row] : setup.stars) engine->AddStar(column, row);
    const DeconRect rect =
        RunSelection(setup.selection ? &*setup.selection : nullptr, image.width, image.height);
    engine->SetSelection(rect.top, rect.left, rect.bottom, rect.right);
    const StartOutcome outcome = engine->Start(setup.iterations);
    if (outcome != StartOutcome::aborted) engine->ReturnImage();
    return outcome;
}

bool ReadPgm16(const std::string& path, TestImage& image) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    int maxValue = 0;
    bool ok = std::fscanf(file, "P5 %d %d %d", &image.width, &image.height, &maxValue) == 3 &&
              maxValue == 65535 && std::fgetc(file) != EOF && image.width > 0 && image.height > 0;
    if (ok) {
        std::vector<unsigned char> bytes(size_t(image.width) * image.height * 2);
        ok = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
        image.pixels.resize(bytes.size() / 2);
        for (size_t i = 0; i < image.pixels.size(); ++i)
            image.pixels[i] = uint16_t(bytes[2 * i] << 8 | bytes[2 * i + 1]);
    }
    std::fclose(file);
    return ok;
}

bool WritePgm16(const std::string& path, const TestImage& image) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    std::fprintf(file, "P5\n%d %d\n65535\n", image.width, image.height);
    for (uint16_t v : image.pixels) {
        std::fputc(v >> 8, file);
        std::fputc(v & 0xff, file);
    }
    return std::fclose(file) == 0;
}

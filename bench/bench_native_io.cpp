// Loading and saving a 4096 x 4096 compressed native image; throughput is
// counted in bytes of pixel data (2 per pixel).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "image/image.h"
#include "platform/archive.h"
#include "tools/samplegen/sample_image.h"
#include "tools/samplegen/star_field.h"

namespace {

constexpr int kSide = 4096;

std::string BenchFolder() {
    static const std::string folder = [] {
        auto path = std::filesystem::temp_directory_path() / ("qv-bench-native-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        return path.string();
    }();
    return folder;
}

void FillStarField(CImage& image) {
    StarFieldOptions options;
    options.width = kSide;
    options.height = kSide;
    options.starCount = 2000;
    SetSampleHeader(image);
    StarFieldToImage(GenerateStarField(options), image);
}

const std::string& StarFieldFile() {
    static const std::string path = [] {
        CImage image;
        FillStarField(image);
        std::string file = BenchFolder() + "/field.qv4";
        CArchive archive(file, CArchive::store);
        image.Serialize(archive);
        archive.Commit();
        return file;
    }();
    return path;
}

void SetPixelThroughput(benchmark::State& state) {
    state.SetBytesProcessed(int64_t(state.iterations()) * kSide * kSide * 2);
}

void BM_NativeLoad(benchmark::State& state) {
    const std::string& file = StarFieldFile();
    for (auto _ : state) {
        CImage image;
        CArchive archive(file, CArchive::load);
        image.Serialize(archive);
        benchmark::DoNotOptimize(image.pixels.data());
    }
    SetPixelThroughput(state);
    state.counters["file_MB"] = double(std::filesystem::file_size(file)) / 1e6;
}

// The whole save: header, row compression, temporary file, flush to disk and rename.
void BM_NativeSave(benchmark::State& state) {
    CImage image;
    FillStarField(image);
    std::string target = BenchFolder() + "/saved.qv4";
    for (auto _ : state) {
        CArchive archive(target, CArchive::store);
        image.Serialize(archive);
        archive.Commit();
    }
    SetPixelThroughput(state);
}

// Row compression alone, without any file.
void BM_NativeCompressRows(benchmark::State& state) {
    CImage image;
    FillStarField(image);
    std::vector<uint8_t> row(2 * size_t(kSide) + 4);
    for (auto _ : state) {
        size_t stored = 0;
        for (int y = 0; y < kSide; ++y) stored += size_t(image.CompressLine(y, row.data()));
        benchmark::DoNotOptimize(stored);
    }
    SetPixelThroughput(state);
}

}  // namespace

BENCHMARK(BM_NativeLoad)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_NativeSave)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_NativeCompressRows)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(BenchFolder());
    return 0;
}

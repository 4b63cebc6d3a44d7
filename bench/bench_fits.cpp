// Orbex speed: fits_read into floats and fits_write of a 4096 x 4096 16-bit
// image with BZERO, packed write and read of a star field, beside memcpy of
// the same bytes. bench/fits_peers.py runs it beside astropy, fpack and gzip
// on the same files.
//
//   bench_fits [--samples=DIR] [benchmark flags]
// DIR keeps the sample files (written when missing) for the peers to use.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include "fitslib/orbex.h"

namespace {

constexpr int kSide = 4096;
constexpr int kStars = 3000;
constexpr double kSky = 1000.0;
constexpr double kSkyNoise = 12.0;
constexpr double kStarSigma = 1.5;
constexpr double kBzero = 32768.0;

std::string g_dir;

std::string sample(const char* name) { return g_dir + "/" + name; }

// A synthetic night-sky frame in unsigned 16-bit ADU, stored the FITS way as
// signed values with BZERO 32768.
std::vector<int16_t> star_field() {
    std::vector<double> adu(static_cast<size_t>(kSide) * kSide);
    uint64_t state = 0x9E3779B97F4A7C15ull;
    auto uniform = [&] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<double>(state >> 11) * 0x1.0p-53;
    };
    for (double& v : adu) {
        const double gauss = std::sqrt(-2.0 * std::log(uniform() + 1e-300)) * std::cos(6.283185307179586 * uniform());
        v = kSky + kSkyNoise * gauss;
    }
    for (int s = 0; s < kStars; ++s) {
        const double cx = uniform() * kSide, cy = uniform() * kSide;
        const double peak = 100.0 * std::pow(400.0, uniform());
        const int reach = 8;
        for (int y = static_cast<int>(cy) - reach; y <= static_cast<int>(cy) + reach; ++y) {
            for (int x = static_cast<int>(cx) - reach; x <= static_cast<int>(cx) + reach; ++x) {
                if (x < 0 || y < 0 || x >= kSide || y >= kSide) continue;
                const double r2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
                adu[static_cast<size_t>(y) * kSide + x] += peak * std::exp(-r2 / (2 * kStarSigma * kStarSigma));
            }
        }
    }
    std::vector<int16_t> stored(adu.size());
    for (size_t i = 0; i < adu.size(); ++i) {
        const double v = std::fmin(std::fmax(adu[i], 0.0), 65535.0);
        stored[i] = static_cast<int16_t>(static_cast<int32_t>(v) - 32768);
    }
    return stored;
}

FITSHEADER* new_header() {
    FITSHEADER* hdr = p_fits_newopen(4, 16, 2, kSide, kSide, 0, 0);
    VAL bzero{};
    bzero.real = kBzero;
    fits_append(hdr, KEY_BZERO, &bzero, nullptr);
    return hdr;
}

const std::vector<int16_t>& image() {
    static const std::vector<int16_t> pixels = star_field();
    return pixels;
}

bool write_samples() {
    for (const auto& [name, pack] : {std::pair{"starfield.fits", PACK_NONE}, std::pair{"starfield.pfits", PACK_BEST}}) {
        if (std::filesystem::exists(sample(name))) continue;
        FITSHEADER* hdr = new_header();
        const bool ok = fits_write(hdr, image().data(), pack, sample(name).c_str());
        fits_close(hdr);
        if (!ok) return false;
    }
    return true;
}

int64_t data_bytes() { return int64_t{kSide} * kSide * 2; }

void BM_memcpy(benchmark::State& state) {
    const auto& src = image();
    std::vector<int16_t> dst(src.size());
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size() * 2);
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetBytesProcessed(state.iterations() * data_bytes());
}

void read_file(benchmark::State& state, const char* name) {
    std::vector<float> pixels(static_cast<size_t>(kSide) * kSide);
    for (auto _ : state) {
        FITSHEADER* hdr = p_fits_open(sample(name).c_str(), 0);
        if (hdr == nullptr || !fits_read(hdr, pixels.data(), 0.0f, false, nullptr)) state.SkipWithError("read failed");
        fits_close(hdr);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetBytesProcessed(state.iterations() * data_bytes());
}

void write_file(benchmark::State& state, PACK pack) {
    const std::string out = sample(pack == PACK_NONE ? "written.fits" : "written.pfits");
    FITSHEADER* hdr = new_header();
    for (auto _ : state) {
        if (!fits_write(hdr, image().data(), pack, out.c_str())) state.SkipWithError("write failed");
    }
    fits_close(hdr);
    state.SetBytesProcessed(state.iterations() * data_bytes());
    if (pack != PACK_NONE) {
        state.counters["ratio"] = static_cast<double>(std::filesystem::file_size(sample("starfield.fits"))) /
                                  static_cast<double>(std::filesystem::file_size(out));
    }
}

void BM_fits_read_16bit_bzero(benchmark::State& state) { read_file(state, "starfield.fits"); }
void BM_fits_write_16bit_bzero(benchmark::State& state) { write_file(state, PACK_NONE); }
void BM_packed_write_best(benchmark::State& state) { write_file(state, PACK_BEST); }
void BM_packed_write_direct(benchmark::State& state) { write_file(state, PACK_DIRECT); }
void BM_packed_read(benchmark::State& state) { read_file(state, "starfield.pfits"); }

// A 2,880-byte file whose header declares 32767 x 32767 16-bit pixels:
// the import's probe and pixel requests refuse it; time per refusal and the
// growth of the process's peak resident size while refusing.
void BM_refuse_huge_declared(benchmark::State& state) {
    const std::string path = sample("huge-declared.fits");
    std::string header;
    for (const char* card : {"SIMPLE  =                    T", "BITPIX  =                   16",
                             "NAXIS   =                    2", "NAXIS1  =                32767",
                             "NAXIS2  =                32767", "END"}) {
        char text[81];
        std::snprintf(text, sizeof text, "%-80s", card);
        header += text;
    }
    header.resize(2880, ' ');
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(header.data(), 1, header.size(), file);
        std::fclose(file);
    }
    // One report line per refusal: kept off the terminal while timing.
    std::fflush(stderr);
    const int saved = dup(2);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 2);
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    for (auto _ : state) {
        FITSPROBEEX probe{};
        uint16_t pixel = 0;
        if (FITSImport(FI_PROBE_EX, path.c_str(), &probe) != FI_FAILED ||
            FITSImport(FI_PIXELS, path.c_str(), &pixel) != FI_FAILED)
            state.SkipWithError("the file was not refused");
    }
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    close(null);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_growth_MB"] = static_cast<double>(usage.ru_maxrss - before.ru_maxrss) / 1024.0;
}

BENCHMARK(BM_memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_fits_read_16bit_bzero)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_fits_write_16bit_bzero)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_packed_write_best)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_packed_write_direct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_packed_read)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_refuse_huge_declared)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--samples=", 10) == 0) g_dir = argv[i] + 10;
        else rest.push_back(argv[i]);
    }
    const bool own_dir = g_dir.empty();
    if (own_dir) g_dir = (std::filesystem::temp_directory_path() / "orbex-bench").string();
    std::filesystem::create_directories(g_dir);
    if (!write_samples()) {
        std::fprintf(stderr, "bench_fits: cannot write the sample files in %s\n", g_dir.c_str());
        return 1;
    }
    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (own_dir) std::filesystem::remove_all(g_dir);
    return 0;
}

// Helper for the interoperability test, using only the shared library's
// exported operations:
//   orbex_interop write DIR   writes sample files plus DIR/manifest.json
//   orbex_interop read FILE OUT   reads FILE with fits_read, floats to OUT

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "orbex.h"

namespace {

struct Sample {
    std::string name;
    int bitpix;
    std::vector<int> axes;
    double bzero = 0.0;
    double bscale = 1.0;
};

VAL text(const char* s) {
    VAL v{};
    std::strncpy(v.text, s, sizeof v.text - 1);
    return v;
}

VAL real(double r) {
    VAL v{};
    v.real = r;
    return v;
}

// Keywords of every kind, with the header values the reader must see.
bool add_keywords(FITSHEADER* hdr, const Sample& s, std::string& json) {
    VAL v = text("first object");
    bool ok = fits_append(hdr, KEY_OBJECT, &v, nullptr);
    v = text("O'Brien's \"galaxy\"");
    ok = ok && fits_append(hdr, KEY_OBJECT, &v, "replaces the first");
    v = text("2001-05-17T03:04:05");
    ok = ok && fits_append(hdr, KEY_DATE_OBS, &v, nullptr);
    v = real(12.5);
    ok = ok && fits_append(hdr, KEY_EXPTIME, &v,
                           "a comment long enough to need a continuation card after the value card, "
                           "with blanks to break at");
    v = real(-0.001234);
    ok = ok && fits_append(hdr, KEY_CCD_TEMP, &v, nullptr);
    v = text("Johnson V broadband filter wheel slot 3");
    ok = ok && fits_append(hdr, KEY_FILTER, &v, nullptr);
    const int32_t flag = fits_keyinsert(hdr, "FLIPPED", KT_LOGICAL);
    v = VAL{};
    v.logical = 1;
    ok = ok && flag >= 0 && fits_append(hdr, flag, &v, "image was flipped");
    ok = ok && fits_append(hdr, KEY_HISTORY, nullptr, "written by the interoperability test");
    if (s.bzero != 0.0) {
        v = real(s.bzero);
        ok = ok && fits_append(hdr, KEY_BZERO, &v, nullptr);
    }
    if (s.bscale != 1.0) {
        v = real(s.bscale);
        ok = ok && fits_append(hdr, KEY_BSCALE, &v, nullptr);
    }
    json += "\"header\": {\"OBJECT\": \"O'Brien's \\\"galaxy\\\"\", \"DATE-OBS\": \"2001-05-17T03:04:05\", "
            "\"EXPTIME\": 12.5, \"CCD-TEMP\": -0.001234, "
            "\"FILTER\": \"Johnson V broadband filter wheel slot 3\", \"FLIPPED\": true}";
    return ok;
}

template <typename T>
std::vector<T> pattern(size_t count, int bitpix) {
    std::vector<T> values(count);
    for (size_t i = 0; i < count; ++i) {
        const auto k = static_cast<int64_t>(i);
        if (bitpix == 8) values[i] = static_cast<T>(k * 37 % 256);
        if (bitpix == 16) values[i] = static_cast<T>(k * 2713 % 65536 - 32768);
        if (bitpix == 32) values[i] = static_cast<T>((k * 977 % 20001 - 10000) * 214748);
        if (bitpix == -32) values[i] = static_cast<T>(static_cast<double>(k % 1001) * 0.37 - 120.0);
    }
    return values;
}

bool write_raw(const std::string& path, const void* data, size_t bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(data, 1, bytes, f) == bytes;
    return std::fclose(f) == 0 && ok;
}

template <typename T>
bool write_sample(const std::string& dir, const Sample& s, std::string& json) {
    size_t count = 1;
    int axis[4] = {0, 0, 0, 0};
    for (size_t i = 0; i < s.axes.size(); ++i) {
        count *= static_cast<size_t>(s.axes[i]);
        axis[i] = s.axes[i];
    }
    FITSHEADER* hdr = p_fits_newopen(30, s.bitpix, static_cast<int>(s.axes.size()), axis[0], axis[1], axis[2], axis[3]);
    if (hdr == nullptr) return false;
    json += "\"" + s.name + "\": {";
    bool ok = add_keywords(hdr, s, json);
    const auto values = pattern<T>(count, s.bitpix);
    ok = ok && fits_write(hdr, values.data(), PACK_NONE, (dir + "/" + s.name).c_str());
    ok = ok && write_raw(dir + "/" + s.name + ".raw", values.data(), values.size() * sizeof(T));
    char extra[200];
    std::snprintf(extra, sizeof extra, ", \"bitpix\": %d, \"bzero\": %.17g, \"bscale\": %.17g}", s.bitpix, s.bzero,
                  s.bscale);
    json += extra;
    fits_close(hdr);
    return ok;
}

// The 16-bit sample read into floats and written back as scaled 32-bit integers.
bool write_floatwrite(const std::string& dir, std::string& json) {
    FITSHEADER* hdr = p_fits_open((dir + "/u16.fits").c_str(), 10);
    if (hdr == nullptr) return false;
    size_t count = 1;
    for (int k = KEY_NAXIS1; k <= KEY_NAXIS2; ++k) count *= static_cast<size_t>(hdr->keys[k].value.integer);
    std::vector<float> pixels(count);
    std::vector<int32_t> work(count);
    bool ok = fits_read(hdr, pixels.data(), 0.0f, false, nullptr);
    ok = ok && fits_floatwrite(hdr, pixels.data(), work.data(), 0.5, PACK_NONE, (dir + "/float32.fits").c_str());
    ok = ok && write_raw(dir + "/float32.fits.raw", work.data(), work.size() * 4);
    json += "\"float32.fits\": {\"header\": {\"BSCALE\": 0.5, \"SATURATE\": 2147483647.0, \"BLANK\": -2147483648}, "
            "\"bitpix\": 32, \"bzero\": 0, \"bscale\": 0.5}";
    fits_close(hdr);
    return ok;
}

int write_all(const std::string& dir) {
    std::string json = "{";
    bool ok = write_sample<uint8_t>(dir, {"u8.fits", 8, {33, 21}}, json);
    json += ", ";
    ok = ok && write_sample<int16_t>(dir, {"u16.fits", 16, {40, 30}, 32768.0}, json);
    json += ", ";
    ok = ok && write_sample<int16_t>(dir, {"i16.fits", 16, {17}}, json);
    json += ", ";
    ok = ok && write_sample<int32_t>(dir, {"i32.fits", 32, {9, 8, 3}, 0.0, 2.0}, json);
    json += ", ";
    ok = ok && write_sample<float>(dir, {"f32.fits", -32, {11, 7}}, json);
    json += ", ";
    ok = ok && write_floatwrite(dir, json);
    json += "}\n";
    ok = ok && write_raw(dir + "/manifest.json", json.data(), json.size());
    return ok ? 0 : 1;
}

int read_one(const char* path, const char* out) {
    FITSHEADER* hdr = p_fits_open(path, 0);
    if (hdr == nullptr) return 1;
    size_t count = 1;
    for (int n = 1; n <= hdr->keys[KEY_NAXIS].value.integer; ++n) {
        count *= static_cast<size_t>(hdr->keys[KEY_NAXIS1 + n - 1].value.integer);
    }
    std::vector<float> pixels(count);
    const bool ok = fits_read(hdr, pixels.data(), -1.0f, false, nullptr) &&
                    write_raw(out, pixels.data(), pixels.size() * sizeof(float));
    fits_close(hdr);
    return ok ? 0 : 1;
}

// Reads FILE as floats and writes them back as scaled integers, packed or not.
int copy_one(const char* path, const char* out, int pack) {
    FITSHEADER* hdr = p_fits_open(path, 0);
    if (hdr == nullptr) return 1;
    size_t count = 1;
    for (int n = 1; n <= hdr->keys[KEY_NAXIS].value.integer; ++n) {
        count *= static_cast<size_t>(hdr->keys[KEY_NAXIS1 + n - 1].value.integer);
    }
    std::vector<float> pixels(count);
    std::vector<int32_t> work(count);
    const bool ok = fits_read(hdr, pixels.data(), -1.0f, false, nullptr) &&
                    fits_floatwrite(hdr, pixels.data(), work.data(), 1.0, static_cast<PACK>(pack), out);
    fits_close(hdr);
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "copy") == 0) return copy_one(argv[2], argv[3], std::atoi(argv[4]));
    if (argc == 3 && std::strcmp(argv[1], "write") == 0) return write_all(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "read") == 0) return read_one(argv[2], argv[3]);
    std::fputs("usage: orbex_interop write DIR | read FILE OUT | copy IN OUT PACK\n", stderr);
    return 2;
}

// Any bytes handed to the library as a file, plain or packed: opening and
// reading must end in success or an error code, never in a fault.
// Seeds: tests/fuzz/corpus/fits/.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "fitslib/orbex.h"

namespace {

// The caller owns the pixel buffer; a harness that allocated gigabytes for
// a header's claimed size would only test the allocator.
constexpr uint64_t kMaxPixels = uint64_t{1} << 20;

const std::string& scratch_path() {
    static const std::string path = "/tmp/orbex-fuzz-" + std::to_string(::getpid()) + ".fits";
    return path;
}

uint64_t pixel_count(const FITSHEADER* hdr) {
    uint64_t count = 1;
    const int naxis = hdr->keys[KEY_NAXIS].value.integer;
    for (int n = 1; n <= naxis && n <= 4; ++n) {
        const int32_t length = hdr->keys[KEY_NAXIS1 + n - 1].value.integer;
        if (length < 1) return 0;
        count *= static_cast<uint64_t>(length);
        if (count > kMaxPixels) return 0;
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = scratch_path();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    FITSHEADER* hdr = p_fits_open(path.c_str(), 4);
    if (hdr != nullptr) {
        const uint64_t count = pixel_count(hdr);
        if (count > 0) {
            std::vector<float> pixels(count);
            float saturation = 0;
            fits_read(hdr, pixels.data(), 0.0f, true, &saturation);
        }
        fits_close(hdr);
    }
    return 0;
}

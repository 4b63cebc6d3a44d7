// orbex-tool: shows a FITS header and converts between plain and packed
// FITS through the library, so packed files are usable outside the program.

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "orbex_internal.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int usage() {
    std::fputs("usage: orbex-tool header FILE\n"
               "       orbex-tool pack IN OUT [--mode direct|diff|best]\n"
               "       orbex-tool unpack IN OUT\n"
               "OUT may be - for standard output.\n",
               stderr);
    return kExitUsage;
}

int show_header(const char* path) {
    FITSHEADER* hdr = p_fits_open(path, 0);
    if (hdr == nullptr) return kExitFailed;
    for (int i = 0; i < hdr->ncards; ++i) {
        int length = ORBEX_CARD_CHARS;
        while (length > 0 && hdr->cards[i].text[length - 1] == ' ') --length;
        std::printf("%.*s\n", length, hdr->cards[i].text);
    }
    std::printf("END\n");
    fits_close(hdr);
    return kExitOk;
}

// Copies the data as stored, so BZERO, BSCALE and BLANK keep their meaning
// and 32-bit values pass unchanged.
int convert(const char* in, const char* out, PACK mode) {
    FITSHEADER* hdr = p_fits_open(in, 0);
    if (hdr == nullptr) return kExitFailed;
    const int element = fits_elementsize(hdr->keys[KEY_BITPIX].value.integer);
    uint64_t count = 0;
    bool ok = element != 0;
    if (!ok) std::fprintf(stderr, "orbex-tool: %s: BITPIX %d cannot be converted\n", in,
                          hdr->keys[KEY_BITPIX].value.integer);
    ok = ok && fits_pixelcount(hdr, static_cast<uint64_t>(element), FE_READ_ROWBUF, &count) &&
         fits_checkdatasize(hdr);
    std::vector<uint8_t> raw;
    if (ok) {
        try {
            raw.resize(count * static_cast<uint64_t>(element));
        } catch (const std::bad_alloc&) {
            std::fprintf(stderr, "orbex-tool: %s: out of memory for %llu bytes of pixels\n", in,
                         static_cast<unsigned long long>(count * static_cast<uint64_t>(element)));
            ok = false;
        }
    }
    ok = ok && fits_readraw(hdr, raw.data()) && fits_write(hdr, raw.data(), mode, out);
    fits_close(hdr);
    return ok ? kExitOk : kExitFailed;
}

bool parse_mode(int argc, char** argv, PACK* mode) {
    *mode = PACK_BEST;
    if (argc == 4) return true;
    if (argc != 6 || std::strcmp(argv[4], "--mode") != 0) return false;
    const std::string name = argv[5];
    if (name == "direct") *mode = PACK_DIRECT;
    else if (name == "diff") *mode = PACK_DIFF;
    else if (name == "best") *mode = PACK_BEST;
    else return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    // Ctrl-C or a kill during a save leaves no temporary file behind.
    fits_save_guardsignals();
    // "-" as output: the data go to standard output, streaming.
    if (argc >= 4 && std::strcmp(argv[3], "-") == 0) argv[3] = const_cast<char*>("/dev/stdout");
    const std::string command = argv[1];
    if (command == "header" && argc == 3) return show_header(argv[2]);
    if (command == "unpack" && argc == 4) return convert(argv[2], argv[3], PACK_NONE);
    PACK mode = PACK_BEST;
    if (command == "pack" && parse_mode(argc, argv, &mode)) return convert(argv[2], argv[3], mode);
    return usage();
}

// The library's single error reporter: one numbered line per failure on
// standard error. Codes 36-39 are warnings; every other code ends the
// operation that raised it.

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "orbex_internal.h"

namespace {

constexpr const char* kNotFound = "file not found";
constexpr const char* kEof = "unexpected EOF";
constexpr const char* kBitpix = "illegal BITPIX";
constexpr const char* kMemory = "insufficient memory";
constexpr const char* kBadPacked = "bad packed image";
constexpr const char* kReadError = "file read error";
constexpr const char* kWriteError = "file write error";
constexpr const char* kDiskFull = "disk full";
constexpr const char* kNotFits = "not a FITS file";
constexpr const char* kOverflow = "memory header buffer overflow";
constexpr const char* kBadString = "bad string";
constexpr const char* kDiskFullOrError = "disk full or error";
constexpr const char* kTreeSearch = "treesrch failed - FITS package bug";

}  // namespace

const FITSERRENTRY fits_errtab[FITS_ERROR_CODES + 1] = {
    {"", true},
    {kNotFound, true},                                   // 1
    {kEof, true},                                        // 2
    {kBitpix, true},                                     // 3
    {kMemory, true},                                     // 4
    {kMemory, true},                                     // 5
    {kMemory, true},                                     // 6
    {kBadPacked, true},                                  // 7
    {kEof, true},                                        // 8
    {kBadPacked, true},                                  // 9
    {kEof, true},                                        // 10
    {kReadError, true},                                  // 11
    {"cannot pack reals - bug", true},                   // 12
    {"file not found - FITS package bug", true},         // 13
    {"unexpected EOF - FITS package bug", true},         // 14
    {kBitpix, true},                                     // 15
    {kWriteError, true},                                 // 16
    {kDiskFull, true},                                   // 17
    {kWriteError, true},                                 // 18
    {kDiskFull, true},                                   // 19
    {kMemory, true},                                     // 20
    {kWriteError, true},                                 // 21
    {kDiskFull, true},                                   // 22
    {kMemory, true},                                     // 23
    {kNotFound, true},                                   // 24
    {kNotFits, true},                                    // 25
    {kNotFits, true},                                    // 26
    {kMemory, true},                                     // 27
    {kMemory, true},                                     // 28
    {kOverflow, true},                                   // 29
    {kOverflow, true},                                   // 30
    {"modify requires key with a value - bug", true},    // 31
    {kMemory, true},                                     // 32
    {kNotFits, true},                                    // 33
    {kNotFits, true},                                    // 34
    {kNotFits, true},                                    // 35
    {"doubly defined", false},                           // 36
    {kBadString, false},                                 // 37
    {kBadString, false},                                 // 38
    {"needs a value", false},                            // 39
    {"mandatory keyword missing", true},                 // 40
    {"illegal SIMPLE", true},                            // 41
    {kBitpix, true},                                     // 42
    {"illegal NAXIS4", true},                            // 43
    {"illegal NAXIS3", true},                            // 44
    {"illegal NAXIS2", true},                            // 45
    {"illegal NAXIS1", true},                            // 46
    {"illegal NAXIS", true},                             // 47
    {"cannot open for write", true},                     // 48
    {kDiskFullOrError, true},                            // 49
    {kDiskFullOrError, true},                            // 50
    {kDiskFullOrError, true},                            // 51
    {kDiskFullOrError, true},                            // 52
    {kReadError, true},                                  // 53
    {"bad packed file type", true},                      // 54
    {kReadError, true},                                  // 55
    {kMemory, true},                                     // 56
    {kReadError, true},                                  // 57
    {kReadError, true},                                  // 58
    {"bad tree checksum", true},                         // 59
    {"bad packing tree - FITS package bug", true},       // 60
    {kReadError, true},                                  // 61
    {kMemory, true},                                     // 62
    {kReadError, true},                                  // 63
    {kReadError, true},                                  // 64
    {kWriteError, true},                                 // 65
    {kDiskFull, true},                                   // 66
    {kMemory, true},                                     // 67
    {kWriteError, true},                                 // 68
    {kDiskFull, true},                                   // 69
    {kWriteError, true},                                 // 70
    {kDiskFull, true},                                   // 71
    {kWriteError, true},                                 // 72
    {kDiskFull, true},                                   // 73
    {kMemory, true},                                     // 74
    {kWriteError, true},                                 // 75
    {kDiskFull, true},                                   // 76
    {kMemory, true},                                     // 77
    {"bit counts do not match - FITS package bug", true},  // 78
    {kWriteError, true},                                 // 79
    {kDiskFull, true},                                   // 80
    {kWriteError, true},                                 // 81
    {kDiskFull, true},                                   // 82
    {kMemory, true},                                     // 83
    {kMemory, true},                                     // 84
    {"a code is > 27 bits long - FITS package bug", true},  // 85
    {kTreeSearch, true},                                 // 86
    {kTreeSearch, true},                                 // 87
    {"image not float or BZERO not 0 - bug", true},      // 88
    {kMemory, true},                                     // 89
    {"header modify failure - FITS package bug", true},  // 90
    {"this version can only read proprietary packed files", true},  // 91
    {"checksum mismatch, the file is damaged", true},  // 92
    {"header too long for this request", true},        // 93
    {"not a regular file", true},                      // 94
    {"bad number", false},                             // 95
    {"declared data larger than the file", true},      // 96
    {"packed images are not imported; unpack first", true},  // 97
};

namespace {

// What ended the last operation; the library is single-threaded.
struct LastError {
    int code = 0;
    char detail[FI_ERROR_CHARS] = {};
};

LastError& Last() {
    static LastError last;
    return last;
}

}  // namespace

void fits_clearlasterror() { Last() = LastError{}; }

void fits_lasterror(int* code, char* detail, size_t capacity) {
    *code = Last().code;
    if (capacity == 0) return;
    const size_t length = strnlen(Last().detail, capacity - 1);
    std::memcpy(detail, Last().detail, length);
    detail[length] = '\0';
}

bool fits_error(int code, const char* file, const char* extra) {
    if (code < 1 || code > FITS_ERROR_CODES) code = FE_FLOAT_MODIFY;
    // A record that has no file yet (p_fits_newopen) names none.
    const bool hasfile = file != nullptr && file[0] != '\0';
    const bool hasextra = extra != nullptr;
    std::fprintf(stderr, "FITS %s%serror %02d: %s%s%s\n", hasfile ? file : "", hasfile ? " " : "",
                 code, fits_errtab[code].message, hasextra ? " " : "", hasextra ? extra : "");
    if (fits_errtab[code].fatal) {
        Last().code = code;
        const char* text = hasextra ? extra : "";
        const size_t length = strnlen(text, sizeof Last().detail - 1);
        std::memcpy(Last().detail, text, length);
        Last().detail[length] = '\0';
    }
    return fits_errtab[code].fatal;
}

bool fits_error_bytes(int code, const char* file, uint64_t bytes) {
    char extra[48];
    std::snprintf(extra, sizeof extra, "for %" PRIu64 " bytes", bytes);
    return fits_error(code, file, extra);
}

void fits_init() {
    // No operation reads a prepared constant, so there is nothing to set up;
    // the call stays because clients may make it.
}

const char* Copyright1999Tarnwell(void) {
    return "Orbex Version 1.00\n"
           "FITS image library: plain and packed images, header keywords, import.\n";
}

void fits_save_error(int code, const char* name, int error) {
    char extra[160];
    std::snprintf(extra, sizeof extra, "(%s)", std::strerror(error));
    fits_error(code, name, extra);
}

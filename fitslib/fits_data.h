#pragma once
// Delivers the rows of a file's data array, plain (file byte order) or
// unpacked (machine order), a run of rows at a time.

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "orbex_internal.h"

class FitsDataReader {
public:
    FitsDataReader() = default;
    FitsDataReader(const FitsDataReader&) = delete;
    FitsDataReader& operator=(const FitsDataReader&) = delete;
    ~FitsDataReader() { close(); }

    // Opens the file named in hdr at its data offset; reports and returns
    // false when the file, the BITPIX, the geometry or the buffer fail.
    bool open(FITSHEADER* hdr);
    // The next rows, at least one unless the read fails; after a failure
    // (reported) *got counts the complete rows delivered before it.
    const uint8_t* next(uint64_t* got);
    void close();

    bool failed() const { return failed_; }
    bool bigendian() const { return !packed_; }
    uint64_t width() const { return width_; }
    uint64_t rows() const { return rows_; }
    int element() const { return element_; }

private:
    struct FreeDeleter {
        void operator()(uint8_t* p) const { std::free(p); }
    };
    FITSHEADER* hdr_ = nullptr;
    FitsFile file_;
    UNPACKSTATE* unpack_ = nullptr;
    std::unique_ptr<uint8_t, FreeDeleter> buffer_;
    uint64_t width_ = 0;
    uint64_t rows_ = 0;
    uint64_t delivered_ = 0;
    uint64_t chunkrows_ = 1;
    int element_ = 0;
    bool packed_ = false;
    bool failed_ = false;
    FitsDatasum datasum_ = FitsDatasum::absent;  // packed files: DATASUM to check
    uint32_t expected_ = 0;
    FitsSum sum_;
    bool finish();
};

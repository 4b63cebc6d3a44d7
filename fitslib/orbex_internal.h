#pragma once
// Helpers shared by the library's own files (and its tool and tests through
// the static build). Nothing here is exported from the shared library.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <sys/types.h>
#include <locale.h>

#include "orbex.h"

// Error codes that more than one file raises, named once.
enum FITSERR : int {
    FE_READ_OPEN = 1, FE_READ_SEEK = 2, FE_READ_BITPIX = 3, FE_READ_ROWBUF = 4,
    FE_READ_PACKED_ROW = 9, FE_READ_SHORT = 10, FE_READ_ERROR = 11,
    FE_WRITE_PACK_REAL = 12, FE_WRITE_REOPEN = 13, FE_WRITE_SEEK = 14, FE_WRITE_BITPIX = 15,
    FE_WRITE_DATA_ERROR = 16, FE_WRITE_DATA_SHORT = 17, FE_WRITE_REST_ERROR = 18,
    FE_WRITE_REST_SHORT = 19, FE_WRITE_PAD_ALLOC = 20, FE_WRITE_PAD_ERROR = 21,
    FE_WRITE_PAD_SHORT = 22,
    FE_OPEN_ALLOC = 23, FE_OPEN_FILE = 24, FE_OPEN_SHORT = 25, FE_OPEN_SIGNATURE = 26,
    FE_OPEN_RESIZE = 27, FE_NEWOPEN_ALLOC = 28, FE_CARDS_FULL = 29, FE_COMMENT_FULL = 30,
    FE_MODIFY_NOVALUE = 31, FE_OPEN_GROW = 32, FE_PACKED_CARD_EOF = 33,
    FE_PACKED_CARD_LONG = 34, FE_PLAIN_CARD_SHORT = 35,
    FE_DOUBLY_DEFINED = 36, FE_BAD_STRING = 37, FE_STRING_UNCLOSED = 38,
    FE_NEEDS_VALUE = 39, FE_MANDATORY = 40, FE_SIMPLE = 41, FE_BITPIX = 42,
    FE_NAXIS4 = 43, FE_NAXIS3 = 44, FE_NAXIS2 = 45, FE_NAXIS1 = 46, FE_NAXIS = 47,
    FE_PUT_OPEN = 48, FE_PUT_PACKED_CARD = 49, FE_PUT_PLAIN_CARD = 50,
    FE_PUT_PACKED_PAD = 51, FE_PUT_PLAIN_PAD = 52,
    FE_PACKED_DAMAGE = 7,
    FE_FLOAT_TYPE = 88, FE_FLOAT_COPY = 89, FE_FLOAT_MODIFY = 90,
    FE_CHECKSUM = 92, FE_IMPORT_TOO_LONG = 93, FE_NOT_REGULAR = 94, FE_BAD_NUMBER = 95,
    FE_DATA_BEYOND_FILE = 96, FE_IMPORT_PACKED = 97,
};

inline constexpr int FITS_ERROR_CODES = 97;
inline constexpr int FITS_BLOCK = 2880;        // plain header and data records
inline constexpr int FITS_PACKED_ALIGN = 4;    // packed header padding
inline constexpr int FITS_CARD_GROWTH = 10;    // card slots added while reading
inline constexpr int FITS_NAME_MAX = ORBEX_NAME_CHARS - 1;
inline constexpr size_t FITS_CONVERT_BUFFER = 8192;
inline constexpr float FITS_FLOAT_MAX = 3.4028235e38f;
inline constexpr uint8_t FITS_PACKED_SIGNATURE = 0x82;  // two blanks, run-length coded
inline constexpr int FITS_LONGSTRING_END = 80;

// fits_error
struct FITSERRENTRY {
    const char* message;
    bool fatal;
};
extern const FITSERRENTRY fits_errtab[FITS_ERROR_CODES + 1];  // index 0 unused
bool fits_error(int code, const char* file, const char* extra);
bool fits_error_bytes(int code, const char* file, uint64_t bytes);  // "for %d bytes"
// The last fatal error reported since fits_clearlasterror, for FI_LASTERROR.
void fits_clearlasterror();
void fits_lasterror(int* code, char* detail, size_t capacity);

// Known-keyword table
struct FITSKEYROW {
    const char* name;
    bool repeatable;
    bool hasvalue;
    KEYTYPE type;
    int minaxes;       // mandatory (and changed in place) when NAXIS >= minaxes
    const char* comment;
};
inline constexpr int FITS_NEVER_MANDATORY = 99;
extern const FITSKEYROW fits_keytable[ORBEX_KNOWN_KEYS];

// Header record
FITSHEADER* fits_newrecord(int maxcards);
FITSHEADER* fits_resizerecord(FITSHEADER* hdr, int maxcards);
size_t fits_recordbytes(int maxcards);
bool fits_storename(FITSHEADER* hdr, const char* path);  // false when the path does not fit
bool fits_pathfits(const char* path);
void fits_zerovalue(KEYENTRY* key);

// The "C" locale, for every number read from or written to a file.
locale_t fits_clocale();

// Keyword helpers
int fits_formatvalue(char* card, KEYTYPE type, const VAL* val);
bool fits_setnaxis(FITSHEADER* hdr, const VAL* val);
bool fits_shiftcards(FITSHEADER* hdr, int from, int to);
int32_t fits_intvalue(const FITSHEADER* hdr, int key, int32_t absent);
double fits_realvalue(const FITSHEADER* hdr, int key, double absent);
bool fits_present(const FITSHEADER* hdr, int key);

// Image geometry: the product of NAXIS1..4 (absent axes count 1) in 64 bits.
// Reports `overflow_code` (with `name`) and returns false when an axis is
// below 1 or the product with `element` bytes does not fit in memory sizes.
bool fits_pixelcount(const FITSHEADER* hdr, uint64_t element, int overflow_code, uint64_t* count);
int fits_elementsize(int32_t bitpix);  // 1, 2, 4 for the integer and -32 types; 0 otherwise

// Writes the cards, END and padding to an open stream; sets dataoffset and packed.
bool fits_putheader(FITSHEADER* hdr, FILE* file, bool packed);

// Header parse and card reading
bool fits_parsecards(FITSHEADER* hdr);
int fits_readcard(FILE* file, bool packed, CARDSLOT* slot, const char* name);

// Reads the data section as stored (machine order, element width of BITPIX,
// no scaling), plain or packed. `raw` holds the whole image.
bool fits_readraw(FITSHEADER* hdr, void* raw);

// Every HDU after the primary one, byte for byte: where it starts in the
// file and how long it is (0 bytes when nothing follows, or when what
// follows is not an extension). Plain files only; packed files have none.
struct FitsSpan {
    uint64_t offset;
    uint64_t bytes;
};
bool fits_extensionspan(const FITSHEADER* hdr, FitsSpan* span);
bool fits_readspan(const FITSHEADER* hdr, const FitsSpan& span, void* dst);
// Opens a regular file for reading without ever waiting (a FIFO, device
// or folder is refused at once: 94, or `code` with the cause).
FILE* fits_openregular(const char* path, int code);
// False (after reporting 96) when the file is too short for the data its
// header declares: checked before anything is allocated for them.
bool fits_checkdatasize(const FITSHEADER* hdr);
// Size of the primary data in the file (element x pixels, before padding).
bool fits_databytes(const FITSHEADER* hdr, uint64_t* bytes);

// The checksum convention (DATASUM / CHECKSUM cards).
class FitsSum {
public:
    void add(const uint8_t* bigendian, size_t bytes);            // file bytes, in order
    void add_machine(const void* values, size_t bytes, int element);  // machine-order elements
    uint32_t value() const;  // ones' complement sum, the last word zero-padded
private:
    uint64_t acc_ = 0;
    uint32_t part_ = 0;
    int have_ = 0;
};
uint32_t fits_sumadd(uint32_t a, uint32_t b);
void fits_checksum_encode(uint32_t sum, char* out);  // 16 characters for column 12 on
// A copy of hdr carrying DATASUM = datasum and the CHECKSUM that completes
// the plain HDU; null after a report. `sevenbit`: the cards as a packed
// header stores them.
FITSHEADER* fits_withchecksums(const FITSHEADER* hdr, uint32_t datasum, bool sevenbit);
bool fits_haschecksums(const FITSHEADER* hdr);
enum class FitsDatasum { absent, bad, given };
FitsDatasum fits_expecteddatasum(FITSHEADER* hdr, uint32_t* sum);
// CHECKSUM against the header and the DATASUM it names; reports 92.
bool fits_checkheadersum(FITSHEADER* hdr);

// Byte order
void fits_swapcopy(void* dst, const void* src, size_t bytes, int element);

// Packed codec
bool pack_write(FITSHEADER* hdr, const void* pixels, FILE* file, PACK mode);

struct UNPACKSTATE;
UNPACKSTATE* unpack_open(FILE* file, int element, FITSHEADER* hdr);
bool unpack_row(UNPACKSTATE* state, void* dst, uint64_t count);
// True when the stream ended with the last pixel (only the last word's
// unused bits left) and nothing follows it in the file.
bool unpack_done(const UNPACKSTATE* state);
void unpack_close(UNPACKSTATE* state);

// Owns a stdio stream and closes it on every path.
class FitsFile {
public:
    FitsFile() = default;
    explicit FitsFile(FILE* file) : file_(file) {}
    FitsFile(const FitsFile&) = delete;
    FitsFile& operator=(const FitsFile&) = delete;
    ~FitsFile() { close(); }
    FILE* get() const { return file_; }
    explicit operator bool() const { return file_ != nullptr; }
    int close();
    void reset(FILE* file) { close(); file_ = file; }
private:
    FILE* file_ = nullptr;
};

// The careful save. A regular target (or the file a link names) is written
// under a short temporary name in its folder (created exclusively, mode
// 0600, never through a link) and renamed over it by commit() after its
// final mode, owner and an fsync; an uncommitted file is removed. A device
// or FIFO is written directly. open() and commit() return false with errno
// set. An existing file the user may not write is refused (EACCES).
class FitsSaveFile {
public:
    static constexpr int kTempChars = 24;
    FitsSaveFile() = default;
    FitsSaveFile(const FitsSaveFile&) = delete;
    FitsSaveFile& operator=(const FitsSaveFile&) = delete;
    ~FitsSaveFile();
    bool open(const char* target);
    FILE* stream() const { return file_; }
    bool commit();
private:
    bool open_direct(const char* target);
    bool create_temp();
    FILE* file_ = nullptr;
    int dirfd_ = -1;
    char temp_[kTempChars] = {};
    std::string name_;  // the final name in the folder
    mode_t mode_ = 0;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    bool existed_ = false;
    bool direct_ = false;
    bool live_ = false;
};
// The temporary name the next save tries `ahead` attempts from now (tests).
void fits_save_tempname(int ahead, char* out);
// Removes the temporary file of the save in progress; safe in a signal handler.
void fits_save_signalcleanup();
// For programs: SIGINT, SIGTERM and SIGHUP remove that file, then end the
// process as the signal would have.
void fits_save_guardsignals();

// Reports a failed open or commit of a save: `code` with the cause.
void fits_save_error(int code, const char* name, int error);

// FITSImport's requests for images wider than 16 bits (fits_import_wide.cpp),
// and the record filling they share with the 16-bit requests.
uint16_t fits_importwide(uint16_t request, const char* path, void* output);
void fits_importfields(const FITSHEADER* hdr, FITSIMAGEINFO* info);

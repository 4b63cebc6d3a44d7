#pragma once
// Orbex: reads and writes single-image FITS files, plain or in the packed
// variant of this library, and keeps a parsed header in one record.
//
// Calling order: optionally fits_init; p_fits_open (existing file) or
// p_fits_newopen (new image); keyword operations; fits_read (records from
// p_fits_open only, once) or fits_write / fits_floatwrite; fits_close.
// Every failure is reported as one numbered line on standard error.
// The library is single-threaded: one call at a time.
//
// The fits_* family is C++. From C the header declares the entry points with
// C linkage: FITSImport with its records, and the copyright text.

#ifdef __cplusplus
#include <cstdint>
#define ORBEX_ENUM_OF(type) : type
#else
#include <stdint.h>
#define ORBEX_ENUM_OF(type)
#endif

#if defined(ORBEX_BUILDING)
#define ORBEX_API __attribute__((visibility("default")))
#else
#define ORBEX_API
#endif

#ifdef __cplusplus
inline constexpr int ORBEX_NAME_CHARS = 260;      // path buffer, terminator included
inline constexpr int ORBEX_KEYNAME_CHARS = 9;     // 8 characters and a terminator
inline constexpr int ORBEX_TEXT_CHARS = 69;       // 68 characters and a terminator
inline constexpr int ORBEX_KNOWN_KEYS = 45;       // rows of the known-keyword table
inline constexpr int ORBEX_MAX_KEYS = 245;        // keyword slots per header
inline constexpr int ORBEX_CARD_CHARS = 80;

enum KEYTYPE : uint8_t {
    KT_NONE = 0,        // commentary card, no value
    KT_BLANKKEY = 1,    // commentary card with a blank keyword field
    KT_LOGICAL = 2,
    KT_INTEGER = 3,
    KT_REAL = 4,
    KT_STRING = 5,      // quoted string, comment on the same card
    KT_LONGSTRING = 6,  // quoted string, comment on continuation cards only
};

enum CARDSTATUS : uint8_t {
    CARD_KEEP = 0,        // written unchanged
    CARD_DROP = 1,        // not written
    CARD_COMMENTOUT = 2,  // written as a commentary card
};

// Any other nonzero value acts as PACK_DIFF.
enum PACK : int32_t {
    PACK_NONE = 0,
    PACK_DIRECT = 1,
    PACK_DIFF = 2,
    PACK_BEST = 3,
};

union VAL {
    uint8_t logical;  // nonzero is true
    int32_t integer;
    double real;
    char text[ORBEX_TEXT_CHARS];
};

struct KEYENTRY {
    uint8_t present;     // the keyword has a live card
    uint8_t repeated;    // met again while already present
    uint16_t card;       // index of the live card in cards
    char name[ORBEX_KEYNAME_CHARS];
    uint8_t repeatable;
    uint8_t hasvalue;
    KEYTYPE type;
    VAL value;
};

struct CARDSLOT {
    uint8_t status;  // CARDSTATUS
    char text[ORBEX_CARD_CHARS];  // no terminator
};

struct KEYFIND {
    uint8_t found;
    KEYTYPE type;
    int32_t index;  // meaningful only when found
};

// One heap block; cards[] ends it, so changing maxcards moves the record.
struct FITSHEADER {
    char name[ORBEX_NAME_CHARS];
    uint8_t modified;
    uint8_t packed;
    int32_t packtype;
    uint32_t treesum;
    KEYENTRY keys[ORBEX_MAX_KEYS];
    uint16_t nkeys;
    uint16_t maxcards;
    int32_t dataoffset;
    uint16_t ncards;
    CARDSLOT cards[];
};

// Row numbers of the known-keyword table that callers commonly name.
enum KNOWNKEY : int32_t {
    KEY_SIMPLE = 0, KEY_BITPIX = 1, KEY_NAXIS = 2, KEY_NAXIS1 = 3, KEY_NAXIS2 = 4,
    KEY_NAXIS3 = 5, KEY_NAXIS4 = 6, KEY_DATE = 7, KEY_ORIGIN = 8, KEY_DATE_OBS = 9,
    KEY_TELESCOP = 10, KEY_INSTRUME = 11, KEY_OBSERVER = 12, KEY_OBJECT = 13,
    KEY_EQUINOX = 14, KEY_AUTHOR = 15, KEY_REFERENC = 16, KEY_COMMENT = 17,
    KEY_HISTORY = 18, KEY_BLCOMM = 19, KEY_BSCALE = 20, KEY_BZERO = 21,
    KEY_BUNIT = 22, KEY_BLANK = 23, KEY_CTYPE1 = 24, KEY_CTYPE2 = 25,
    KEY_CRPIX1 = 26, KEY_CRPIX2 = 27, KEY_CRVAL1 = 28, KEY_CRVAL2 = 29,
    KEY_CDELT1 = 30, KEY_CDELT2 = 31, KEY_CROTA1 = 32, KEY_CROTA2 = 33,
    KEY_DATAMAX = 34, KEY_DATAMIN = 35, KEY_SATURATE = 36, KEY_XPIXSZ = 37,
    KEY_YPIXSZ = 38, KEY_EXPTIME = 39, KEY_TIME_OBS = 40, KEY_CCD_TEMP = 41,
    KEY_SET_TEMP = 42, KEY_FILTER = 43, KEY_NOTES = 44,
};

// set-up
ORBEX_API void fits_init();

// open and create
ORBEX_API FITSHEADER* p_fits_open(const char* path, int32_t extra);
ORBEX_API FITSHEADER* p_fits_newopen(int32_t extra, int32_t bitpix, int32_t naxis, int32_t naxis1,
                                     int32_t naxis2, int32_t naxis3, int32_t naxis4);
ORBEX_API FITSHEADER* p_fits_copy(const FITSHEADER* hdr);
ORBEX_API FITSHEADER* p_fits_resize(FITSHEADER* hdr, int32_t extra);
ORBEX_API void fits_close(FITSHEADER* hdr);

// keywords
ORBEX_API KEYFIND fits_keyfind(const char* name);
ORBEX_API KEYFIND fits_anykeyfind(const FITSHEADER* hdr, const char* name);
ORBEX_API int32_t fits_keyinsert(FITSHEADER* hdr, const char* name, KEYTYPE type);
ORBEX_API bool fits_append(FITSHEADER* hdr, int32_t key, const VAL* val, const char* comment);
ORBEX_API bool fits_modify(FITSHEADER* hdr, int32_t key, const VAL* val);
ORBEX_API void fits_remove(FITSHEADER* hdr, int32_t key, bool commentout);
ORBEX_API bool fits_put(FITSHEADER* hdr, const char* path, bool packed);

// data
ORBEX_API bool fits_read(FITSHEADER* hdr, float* pixels, float blank, bool mark, float* saturation);
ORBEX_API bool fits_write(FITSHEADER* hdr, const void* pixels, PACK pack, const char* path);
ORBEX_API bool fits_floatwrite(FITSHEADER* hdr, const float* pixels, int32_t* work, double scale,
                               PACK pack, const char* path);

#endif  // __cplusplus

#ifdef __cplusplus
extern "C" {
#endif
ORBEX_API const char* Copyright1999Tarnwell(void);
#ifdef __cplusplus
}
#endif

// ==== FITSImport: a FITS file as the program's native image ================
// The one entry point the program calls. Every request opens the file anew
// and releases everything before it returns; all buffers belong to the
// caller. Exported under its plain, undecorated name.

enum FITSIMPORTREQUEST ORBEX_ENUM_OF(uint16_t) {
    // The original requests. Their records are fixed: the header text size
    // is 16 bits, and the buffers of FI_HEADERTEXT and FI_PIXELS carry no
    // capacity, so the caller sizes them from FI_PROBE.
    FI_PROBE = 1,       // output: FITSPROBE
    FI_HEADER = 2,      // output: FITSIMAGEINFO
    FI_HEADERTEXT = 3,  // output: FITSPROBE::headerTextSize characters (cards, then a zero)
    FI_PIXELS = 4,      // output: rows x columns uint16_t, NAXIS1 fastest
    // Wider, capacity-checked forms of the same requests.
    FI_PROBE_EX = 5,       // output: FITSPROBEEX
    FI_HEADERTEXT_EX = 6,  // output: FITSBUFFER for FITSPROBEEX::headerTextSize characters
    FI_PIXELS_EX = 7,      // output: FITSBUFFER for rows x columns uint16_t
    FI_EXTENSIONS = 8,     // output: FITSBUFFER for FITSPROBEEX::extensionBytes bytes
};

enum FITSIMPORTSTATUS ORBEX_ENUM_OF(uint16_t) {
    FI_OK = 0,
    FI_NOT_FITS = 1,  // FI_PROBE and FI_PROBE_EX only: the file cannot be opened as a FITS file
    FI_FAILED = 2,    // every other failure, and an unknown request
};

// Every text field, terminator included.
#ifdef __cplusplus
inline constexpr int FI_TEXT_CHARS = 80;
#else
enum { FI_TEXT_CHARS = 80 };
#endif

// Output of FI_PROBE. headerTextSize is 80 x stored cards + 1; a header of
// more than 819 cards does not fit it and the probe fails (FI_FAILED).
struct FITSPROBE {
    int16_t ok;
    int16_t rows;
    int16_t columns;
    int16_t headerTextSize;
};

// Output of FI_PROBE_EX: the same probe with room for any header, plus the
// size of what follows the primary image (every further HDU, byte for
// byte; 0 when there is none).
struct FITSPROBEEX {
    int32_t ok;
    int32_t rows;
    int32_t columns;
    uint32_t headerTextSize;
    uint64_t extensionBytes;
};

// The caller's buffer for the capacity-checked requests. Each request
// reopens the file, which may have changed since the probe: a result larger
// than capacity is refused with FI_FAILED and nothing is written into data.
// On success size holds the number of bytes delivered.
struct FITSBUFFER {
    void* data;
    uint64_t capacity;  // bytes
    uint64_t size;      // bytes written (output)
};

struct FITSIMAGEINFO {
    int16_t rows;                    // NAXIS2, 1..32767
    int16_t columns;                 // NAXIS1, 1..32767
    char object[FI_TEXT_CHARS];      // OBJECT
    int16_t year, month, day;        // DATE-OBS
    int16_t hour, minute, second;    // DATE-OBS after its "T", else TIME-OBS
    char origin[FI_TEXT_CHARS];      // ORIGIN
    char instrument[FI_TEXT_CHARS];  // INSTRUME
    char telescope[FI_TEXT_CHARS];   // TELESCOP
    double exposureTime;             // EXPTIME, seconds
    int16_t exposures;               // SNAPSHOT
    double eachExposure;             // EACHSNAP, seconds
    double pixelWidth;               // PIXWIDTH
    double pixelHeight;              // PIXHEIGH
    int16_t readoutMode;             // RESMODE
    uint16_t exposureState;          // EXPSTATE, hexadecimal text
    double temperature;              // CCD-TEMP
    double response;                 // RESPONSE
    double gain;                     // GAIN
    double focalLength;              // FOCALLEN
    double aperture;                 // APERTURE
    char filter[FI_TEXT_CHARS];      // FILTER
    int32_t background;              // BACKGRND
    int32_t range;                   // RANGE
    char history[FI_TEXT_CHARS];     // KESLHIST
    int32_t pedestal;                // PEDESTAL
    double trackTime;                // TRAKTIME, seconds
    int32_t saturation;              // DATAMAX, clamped to 0..65535
    char note[FI_TEXT_CHARS];        // NOTE
    char observer[FI_TEXT_CHARS];    // OBSERVER
};

#ifndef __cplusplus
typedef struct FITSPROBE FITSPROBE;
typedef struct FITSPROBEEX FITSPROBEEX;
typedef struct FITSBUFFER FITSBUFFER;
typedef struct FITSIMAGEINFO FITSIMAGEINFO;
#endif

// Images the 16-bit requests refuse (32-bit integers, 32- and 64-bit reals):
// their header record and their values as floats, so that the program can
// offer its own conversion. FI_HEADER and FI_PIXELS keep refusing them.
enum FITSIMPORTWIDEREQUEST ORBEX_ENUM_OF(uint16_t) {
    FI_WIDEHEADER = 9,   // output: FITSWIDEINFO
    FI_WIDEPIXELS = 10,  // output: FITSBUFFER for rows x columns float, NAXIS1 fastest
};

// Output of FI_WIDEHEADER: a plain image of two axes with BITPIX 32, -32 or
// -64 (anything else: FI_FAILED; an unopenable file: FI_NOT_FITS).
struct FITSWIDEINFO {
    int32_t bitpix;
    uint32_t headerTextSize;  // 80 x stored cards + 1
    FITSIMAGEINFO info;       // filled as FI_HEADER fills it
};
#ifndef __cplusplus
typedef struct FITSWIDEINFO FITSWIDEINFO;
#endif
// FI_WIDEPIXELS delivers BZERO + BSCALE x stored value; BLANK values,
// not-a-number and infinite values arrive as not-a-number.

// Why the previous request failed, so that a caller can tell its user the
// cause in its own words (the library's line on standard error stays).
enum FITSIMPORTERRORREQUEST ORBEX_ENUM_OF(uint16_t) {
    FI_LASTERROR = 11,  // output: FITSIMPORTERROR; always FI_OK
};

enum FITSIMPORTCAUSE ORBEX_ENUM_OF(int32_t) {
    FIC_NONE = 0,         // the previous request reported nothing
    FIC_OTHER = 1,        // see code
    FIC_NOT_FITS = 2,     // not a FITS file, or its header is damaged
    FIC_TRUNCATED = 3,    // the header declares more data than the file holds
    FIC_PACKED = 4,       // a packed file: unpack it first
    FIC_MEMORY = 5,       // not enough memory
    FIC_READ = 6,         // the file could not be read
    FIC_NOT_REGULAR = 7,  // a FIFO, device or folder
};

#ifdef __cplusplus
inline constexpr int FI_ERROR_CHARS = 96;
#else
enum { FI_ERROR_CHARS = 96 };
#endif

struct FITSIMPORTERROR {
    int32_t cause;                 // FITSIMPORTCAUSE
    int32_t code;                  // the library's error number, 0 for none
    char detail[FI_ERROR_CHARS];   // the reported line's particulars, may be empty
};
#ifndef __cplusplus
typedef struct FITSIMPORTERROR FITSIMPORTERROR;
#endif

#ifdef __cplusplus
extern "C" {
#endif
ORBEX_API uint16_t FITSImport(uint16_t request, const char* path, void* output);
#ifdef __cplusplus
}
#endif

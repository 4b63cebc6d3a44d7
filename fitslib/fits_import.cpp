// FITSImport: turns a FITS file into what the program's native image needs.
// Each request opens its own header and releases it (and any work buffer)
// on every exit, so nothing survives between calls. The caller's buffers
// come with their capacity and are never written past it.

#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "orbex_internal.h"

namespace {

constexpr int32_t kImportExtraCards = 50;
constexpr int32_t kImportBitpix = 16;
constexpr int32_t kImportAxes = 2;
constexpr int32_t kLargestSide = 32767;  // the record's 16-bit size fields
constexpr double kLargestPixel = 65535.0;
constexpr double kPixelWrap = 65536.0;
constexpr int kExpStateDigits = 5;

struct HeaderCloser {
    void operator()(FITSHEADER* hdr) const { fits_close(hdr); }
};
using HeaderPtr = std::unique_ptr<FITSHEADER, HeaderCloser>;

HeaderPtr OpenHeader(const char* path) { return HeaderPtr(p_fits_open(path, kImportExtraCards)); }

const KEYENTRY* FindSlot(const FITSHEADER* hdr, const char* name, bool needPresent) {
    KEYFIND found = fits_anykeyfind(hdr, name);
    if (!found.found)
        return nullptr;
    const KEYENTRY* slot = &hdr->keys[found.index];
    if (needPresent && !slot->present)
        return nullptr;
    return slot;
}

// The four getters: each clears its destination, then copies the value only
// from a slot of the right type.
void fits_getstring(const FITSHEADER* hdr, const char* name, char (&text)[FI_TEXT_CHARS]) {
    std::memset(text, 0, sizeof text);
    const KEYENTRY* slot = FindSlot(hdr, name, true);
    if (slot == nullptr || (slot->type != KT_STRING && slot->type != KT_LONGSTRING))
        return;
    size_t length = strnlen(slot->value.text, ORBEX_TEXT_CHARS - 1);
    std::memcpy(text, slot->value.text, length);
}

double fits_getreal(const FITSHEADER* hdr, const char* name) {
    const KEYENTRY* slot = FindSlot(hdr, name, true);
    return slot != nullptr && slot->type == KT_REAL ? slot->value.real : 0.0;
}

int32_t fits_getint(const FITSHEADER* hdr, const char* name) {
    const KEYENTRY* slot = FindSlot(hdr, name, false);
    return slot != nullptr && slot->type == KT_INTEGER ? slot->value.integer : 0;
}

int16_t fits_getshort(const FITSHEADER* hdr, const char* name) {
    return static_cast<int16_t>(static_cast<uint16_t>(fits_getint(hdr, name) & 0xFFFF));
}

bool PresentInteger(const FITSHEADER* hdr, const char* name, int32_t& value) {
    const KEYENTRY* slot = FindSlot(hdr, name, true);
    if (slot == nullptr || slot->type != KT_INTEGER)
        return false;
    value = slot->value.integer;
    return true;
}

// Decimal value of text positions first..last (from 1); positions past the
// end are empty, leading blanks are skipped, reading stops at a non-digit.
int16_t DigitsAt(const char* text, size_t first, size_t last) {
    size_t length = std::strlen(text);
    size_t at = first - 1;
    size_t end = last < length ? last : length;
    while (at < end && text[at] == ' ')
        ++at;
    int value = 0;
    for (; at < end && text[at] >= '0' && text[at] <= '9'; ++at)
        value = value * 10 + (text[at] - '0');
    return static_cast<int16_t>(value);
}

bool CharAt(const char* text, size_t position, char wanted) {
    return std::strlen(text) >= position && text[position - 1] == wanted;
}

void ReadObservationTime(const FITSHEADER* hdr, FITSIMAGEINFO& info) {
    char date[FI_TEXT_CHARS];
    fits_getstring(hdr, "DATE-OBS", date);
    if (CharAt(date, 3, '/')) {
        info.day = DigitsAt(date, 1, 2);
        info.month = DigitsAt(date, 4, 5);
        info.year = DigitsAt(date, 7, 8);
    } else {
        info.year = DigitsAt(date, 1, 4);
        info.month = DigitsAt(date, 6, 7);
        info.day = DigitsAt(date, 9, 10);
    }
    if (CharAt(date, 11, 'T')) {
        info.hour = DigitsAt(date, 12, 13);
        info.minute = DigitsAt(date, 15, 16);
        info.second = DigitsAt(date, 18, 19);
        return;
    }
    char time[FI_TEXT_CHARS];
    fits_getstring(hdr, "TIME-OBS", time);
    info.hour = DigitsAt(time, 1, 2);
    info.minute = DigitsAt(time, 4, 5);
    info.second = DigitsAt(time, 7, 8);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Up to five hexadecimal digits, accumulated in 16 bits.
uint16_t ReadExposureState(const FITSHEADER* hdr) {
    char text[FI_TEXT_CHARS];
    fits_getstring(hdr, "EXPSTATE", text);
    uint16_t value = 0;
    for (int i = 0; i < kExpStateDigits && HexDigit(text[i]) >= 0; ++i)
        value = static_cast<uint16_t>((value << 4) | HexDigit(text[i]));
    return value;
}

int32_t ReadSaturation(const FITSHEADER* hdr) {
    double level = fits_getreal(hdr, "DATAMAX");
    if (level > kLargestPixel)
        return static_cast<int32_t>(kLargestPixel);
    if (!(level >= 0.0))
        return 0;
    return static_cast<int32_t>(level);
}

void FillTexts(const FITSHEADER* hdr, FITSIMAGEINFO& info) {
    fits_getstring(hdr, "OBJECT", info.object);
    fits_getstring(hdr, "ORIGIN", info.origin);
    fits_getstring(hdr, "INSTRUME", info.instrument);
    fits_getstring(hdr, "TELESCOP", info.telescope);
    fits_getstring(hdr, "FILTER", info.filter);
    fits_getstring(hdr, "KESLHIST", info.history);
    fits_getstring(hdr, "NOTE", info.note);
    fits_getstring(hdr, "OBSERVER", info.observer);
}

void FillNumbers(const FITSHEADER* hdr, FITSIMAGEINFO& info) {
    info.exposureTime = fits_getreal(hdr, "EXPTIME");
    info.exposures = fits_getshort(hdr, "SNAPSHOT");
    info.eachExposure = fits_getreal(hdr, "EACHSNAP");
    info.pixelWidth = fits_getreal(hdr, "PIXWIDTH");
    info.pixelHeight = fits_getreal(hdr, "PIXHEIGH");
    info.readoutMode = fits_getshort(hdr, "RESMODE");
    info.exposureState = ReadExposureState(hdr);
    info.temperature = fits_getreal(hdr, "CCD-TEMP");
    info.response = fits_getreal(hdr, "RESPONSE");
    info.gain = fits_getreal(hdr, "GAIN");
    info.focalLength = fits_getreal(hdr, "FOCALLEN");
    info.aperture = fits_getreal(hdr, "APERTURE");
    info.background = fits_getint(hdr, "BACKGRND");
    info.range = fits_getint(hdr, "RANGE");
    info.pedestal = fits_getint(hdr, "PEDESTAL");
    info.trackTime = fits_getreal(hdr, "TRAKTIME");
    info.saturation = ReadSaturation(hdr);
}

// The size fields of the native record are 16 bits: an axis beyond them
// would describe a smaller image than the data and overrun the caller's buffer.
bool UsableSide(int32_t side) { return side >= 1 && side <= kLargestSide; }

// A plain 16-bit image whose two axes fit the record; packed files are refused.
bool ReadImageInfo(const char* path, FITSIMAGEINFO& info, int32_t& cards) {
    HeaderPtr hdr = OpenHeader(path);
    if (!hdr)
        return false;
    int32_t rows = 0;
    int32_t columns = 0;
    if (hdr->packed) {
        fits_error(FE_IMPORT_PACKED, path, nullptr);
        return false;
    }
    if (fits_intvalue(hdr.get(), KEY_BITPIX, 0) != kImportBitpix ||
        !PresentInteger(hdr.get(), "NAXIS2", rows) ||
        !PresentInteger(hdr.get(), "NAXIS1", columns) || !UsableSide(rows) ||
        !UsableSide(columns) || !fits_checkdatasize(hdr.get()))
        return false;
    info = FITSIMAGEINFO{};
    info.rows = static_cast<int16_t>(rows);
    info.columns = static_cast<int16_t>(columns);
    ReadObservationTime(hdr.get(), info);
    FillTexts(hdr.get(), info);
    FillNumbers(hdr.get(), info);
    cards = hdr->ncards;
    return true;
}

// Both probes: the FI_HEADER conversion, which also counts the cards.
uint16_t ProbeImage(const char* path, FITSIMAGEINFO& info, int32_t& cards) {
    if (!OpenHeader(path))
        return FI_NOT_FITS;
    return ReadImageInfo(path, info, cards) ? FI_OK : FI_FAILED;
}

uint64_t HeaderTextBytes(int32_t cards) { return uint64_t(cards) * ORBEX_CARD_CHARS + 1; }

// The original probe: a header text size beyond its 16-bit field is refused,
// never cut to a smaller number.
uint16_t Probe(const char* path, FITSPROBE& probe) {
    FITSIMAGEINFO info;
    int32_t cards = 0;
    const uint16_t status = ProbeImage(path, info, cards);
    if (status == FI_NOT_FITS)
        return status;
    probe.ok = 0;
    if (status != FI_OK)
        return status;
    if (HeaderTextBytes(cards) > uint64_t(INT16_MAX)) {
        fits_error_bytes(FE_IMPORT_TOO_LONG, path, HeaderTextBytes(cards));
        return FI_FAILED;
    }
    probe.ok = 1;
    probe.rows = info.rows;
    probe.columns = info.columns;
    probe.headerTextSize = static_cast<int16_t>(HeaderTextBytes(cards));
    return FI_OK;
}

uint16_t ProbeEx(const char* path, FITSPROBEEX& probe) {
    FITSIMAGEINFO info;
    int32_t cards = 0;
    const uint16_t status = ProbeImage(path, info, cards);
    if (status == FI_NOT_FITS)
        return status;
    probe.ok = 0;
    if (status != FI_OK)
        return status;
    HeaderPtr hdr = OpenHeader(path);
    FitsSpan extensions{};
    if (!hdr || !fits_extensionspan(hdr.get(), &extensions))
        return FI_FAILED;
    probe.ok = 1;
    probe.rows = info.rows;
    probe.columns = info.columns;
    probe.headerTextSize = static_cast<uint32_t>(HeaderTextBytes(cards));
    probe.extensionBytes = extensions.bytes;
    return FI_OK;
}

uint16_t Header(const char* path, FITSIMAGEINFO& info) {
    int32_t cards = 0;
    return ReadImageInfo(path, info, cards) ? FI_OK : FI_FAILED;
}

// Where a request's result goes: the caller's buffer and how much it holds.
// The original requests carry no capacity; their size comes from the probe
// the caller made, which only ever describes what fits its fields.
struct Destination {
    void* data;
    uint64_t capacity;
    uint64_t* size;  // null for the original requests
};

// The file may have gained cards or pixels since the caller sized its buffer
// from the probe; such a result is refused before a byte is written.
bool ResultFits(const FITSHEADER* hdr, const Destination& out, uint64_t needed, int code) {
    if (needed <= out.capacity)
        return true;
    fits_error_bytes(code, hdr->name, needed);
    return false;
}

uint16_t HeaderText(const char* path, const Destination& out) {
    HeaderPtr hdr = OpenHeader(path);
    if (!hdr)
        return FI_FAILED;
    const uint64_t needed = HeaderTextBytes(hdr->ncards);
    const int code = out.size != nullptr ? FE_CARDS_FULL : FE_IMPORT_TOO_LONG;
    if (!ResultFits(hdr.get(), out, needed, code))
        return FI_FAILED;
    char* text = static_cast<char*>(out.data);
    for (int i = 0; i < hdr->ncards; ++i)
        std::memcpy(text + size_t(i) * ORBEX_CARD_CHARS, hdr->cards[i].text, ORBEX_CARD_CHARS);
    text[size_t(hdr->ncards) * ORBEX_CARD_CHARS] = '\0';
    if (out.size != nullptr)
        *out.size = needed;
    return FI_OK;
}

uint16_t Extensions(const char* path, const Destination& out) {
    HeaderPtr hdr = OpenHeader(path);
    FitsSpan span{};
    if (!hdr || !fits_extensionspan(hdr.get(), &span))
        return FI_FAILED;
    if (!ResultFits(hdr.get(), out, span.bytes, FE_CARDS_FULL))
        return FI_FAILED;
    if (span.bytes > 0 && !fits_readspan(hdr.get(), span, out.data))
        return FI_FAILED;
    *out.size = span.bytes;
    return FI_OK;
}

uint16_t ToPixel(float value) {
    double v = value;
    if (v > kLargestPixel)
        return static_cast<uint16_t>(kLargestPixel);
    if (v < 0.0)
        v += kPixelWrap;
    if (!(v >= 0.0))
        return 0;
    return static_cast<uint16_t>(v);
}

uint16_t Pixels(const char* path, const Destination& out) {
    HeaderPtr hdr = OpenHeader(path);
    if (!hdr)
        return FI_FAILED;
    int32_t rows = 0;
    int32_t columns = 0;
    if (fits_intvalue(hdr.get(), KEY_NAXIS, 0) != kImportAxes ||
        fits_intvalue(hdr.get(), KEY_BITPIX, 0) != kImportBitpix ||
        !PresentInteger(hdr.get(), "NAXIS2", rows) ||
        !PresentInteger(hdr.get(), "NAXIS1", columns) || !UsableSide(rows) ||
        !UsableSide(columns))
        return FI_FAILED;
    size_t count = size_t(rows) * size_t(columns);
    const uint64_t needed = uint64_t(count) * sizeof(uint16_t);
    if (!ResultFits(hdr.get(), out, needed, FE_READ_ROWBUF) || !fits_checkdatasize(hdr.get()))
        return FI_FAILED;
    std::unique_ptr<float[]> work(new (std::nothrow) float[count]);
    if (!work) {
        fits_error_bytes(FE_READ_ROWBUF, hdr->name, uint64_t(count) * sizeof(float));
        return FI_FAILED;
    }
    if (!fits_read(hdr.get(), work.get(), 0.0f, false, nullptr))
        return FI_FAILED;
    uint16_t* pixels = static_cast<uint16_t*>(out.data);
    for (size_t i = 0; i < count; ++i)
        pixels[i] = ToPixel(work[i]);
    if (out.size != nullptr)
        *out.size = needed;
    return FI_OK;
}

// The original requests write as much as the file holds (the caller sized
// the buffer from FI_PROBE), up to what the probe's 16-bit fields can
// describe: a header text beyond them is refused as the probe refuses it.
Destination Unchecked(void* output, uint64_t limit) { return Destination{output, limit, nullptr}; }

Destination Checked(void* output) {
    FITSBUFFER& buffer = *static_cast<FITSBUFFER*>(output);
    buffer.size = 0;
    return Destination{buffer.data, buffer.data != nullptr ? buffer.capacity : 0, &buffer.size};
}

int32_t CauseOf(int code) {
    switch (code) {
    case 0:
        return FIC_NONE;
    case FE_DATA_BEYOND_FILE:
        return FIC_TRUNCATED;
    case FE_IMPORT_PACKED:
        return FIC_PACKED;
    case FE_NOT_REGULAR:
        return FIC_NOT_REGULAR;
    case FE_READ_OPEN:
    case FE_OPEN_FILE:
    case FE_READ_ERROR:
    case FE_READ_SHORT:
        return FIC_READ;
    case FE_OPEN_SHORT:
    case FE_OPEN_SIGNATURE:
    case FE_PACKED_CARD_EOF:
    case FE_PACKED_CARD_LONG:
    case FE_PLAIN_CARD_SHORT:
    case FE_MANDATORY:
    case FE_SIMPLE:
    case FE_BITPIX:
    case FE_NAXIS:
    case FE_NAXIS1:
    case FE_NAXIS2:
    case FE_NAXIS3:
    case FE_NAXIS4:
    case FE_CHECKSUM:
        return FIC_NOT_FITS;
    default:
        break;
    }
    return std::strcmp(fits_errtab[code].message, "insufficient memory") == 0 ? FIC_MEMORY : FIC_OTHER;
}

uint16_t LastError(FITSIMPORTERROR& error) {
    int code = 0;
    fits_lasterror(&code, error.detail, sizeof error.detail);
    error.code = code;
    error.cause = CauseOf(code);
    return FI_OK;
}

}  // namespace

extern "C" ORBEX_API uint16_t FITSImport(uint16_t request, const char* path, void* output) {
    if (request == FI_LASTERROR) {
        if (output == nullptr)
            return FI_FAILED;
        return LastError(*static_cast<FITSIMPORTERROR*>(output));
    }
    fits_clearlasterror();
    if (path == nullptr || output == nullptr)
        return FI_FAILED;
    switch (request) {
    case FI_PROBE:
        return Probe(path, *static_cast<FITSPROBE*>(output));
    case FI_HEADER:
        return Header(path, *static_cast<FITSIMAGEINFO*>(output));
    case FI_HEADERTEXT:
        return HeaderText(path, Unchecked(output, uint64_t(INT16_MAX)));
    case FI_PIXELS:
        return Pixels(path, Unchecked(output, UINT64_MAX));
    case FI_PROBE_EX:
        return ProbeEx(path, *static_cast<FITSPROBEEX*>(output));
    case FI_HEADERTEXT_EX:
        return HeaderText(path, Checked(output));
    case FI_PIXELS_EX:
        return Pixels(path, Checked(output));
    case FI_EXTENSIONS:
        return Extensions(path, Checked(output));
    case FI_WIDEHEADER:
    case FI_WIDEPIXELS:
        return fits_importwide(request, path, output);
    default:
        return FI_FAILED;
    }
}

// The record's fields from an open header of any BITPIX, for the wide requests.
void fits_importfields(const FITSHEADER* hdr, FITSIMAGEINFO* info) {
    ReadObservationTime(hdr, *info);
    FillTexts(hdr, *info);
    FillNumbers(hdr, *info);
}

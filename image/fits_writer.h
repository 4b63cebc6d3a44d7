#pragma once
// The program's own FITS writer: a header of 80-character cards padded to
// 2880-byte blocks, then the pixels as big-endian 16-bit integers offset by
// 32768. Everything kept from the file the image was loaded from is carried
// along so a save loses no card the program does not understand.

#include <cstdint>
#include <string>
#include <string_view>

class CImage;
class CArchive;

inline constexpr size_t kFitsCardChars = 80;
inline constexpr size_t kFitsBlockBytes = 2880;

// The program's version text, as the COMMENT card of every saved file names it.
extern const char* const kFitsProgramVersion;

// Appends one card: the text cut at 80 characters, then blank-filled to
// exactly 80; every byte a FITS header may not hold is replaced (FitsHeaderChar).
void AppendCard(std::string& headerText, std::string_view text);

// A header byte as FITS allows it (32..126): control characters and DEL
// become a blank, bytes from 128 up (accented letters, UTF-8) become '?'.
char FitsHeaderChar(char c);

// key is the 10-character "NAME    = " field. A null comment means none.
void AppendIntegerCard(std::string& headerText, const char* key, long value,
                       const char* comment = nullptr);
void AppendRealCard(std::string& headerText, const char* key, double value,
                    const char* comment = nullptr);
void AppendStringCard(std::string& headerText, const char* key, std::string_view value,
                      const char* comment = nullptr);

// Formats a real as "%+1.12E" with a three-digit exponent (20 characters for
// ordinary values), independent of the C library's exponent width.
std::string FormatFitsReal(double value);

// Today's local date as "YYYY-MM-DD".
std::string TodayFitsDate();

// Empties image.fitsHeaderText and fills it with the whole padded header.
void BuildFitsHeader(CImage& image, const std::string& dateText);

// Writes the pixel rows (v - 32768, high byte first) and the zero padding.
void WriteFitsData(const CImage& image, CArchive& ar);

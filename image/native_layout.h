#pragma once
// Constants of the native image file, named once for the reader and writer.

#include <cstddef>
#include <cstdint>
#include <string_view>

// Header lines end with line feed then carriage return.
inline constexpr std::string_view kNativeLineEnd = "\n\r";
// A header block holding this text is a FITS file.
inline constexpr std::string_view kFitsSignature = "SIMPLE  =";
// Every FITS file, plain or packed, begins with this word.
inline constexpr std::string_view kFitsFirstWord = "SIMPLE";

inline constexpr size_t kCameraTokenChars = 9;
inline constexpr size_t kTypeTextChars = 17;
// Only these leading rows of the camera table are matched against a token.
inline constexpr int kMatchedCameraRows = 15;
inline constexpr int kOptaCam51Row = 8;
inline constexpr std::string_view kCompressedTypeText = "Compressed Image";

inline constexpr std::string_view kUserKeys[4] = {"User_1 = ", "User_2 = ", "User_3 = ", "User_4 = "};
inline constexpr std::string_view kFilterKey = "Filter = ";
inline constexpr std::string_view kReadoutModeKey = "Readout_mode =";
inline constexpr std::string_view kTrackTimeKey = "Track_time =";
inline constexpr std::string_view kSatLevelKey = "Sat_level =";

// File versions from 6 below this limit are read in the version-3 layout.
inline constexpr int32_t kFirstLaterFileVersion = 6;
inline constexpr int32_t kFileVersionLimit = 100;
inline constexpr int32_t kWrittenFileVersion = 3;
inline constexpr int32_t kWrittenDataVersion = 1;
inline constexpr char kEndOfTextMark = 0x1A;

// Compressed rows: a delta byte, or this escape and a full 16-bit value.
inline constexpr uint8_t kDeltaEscape = 0x80;
inline constexpr int kMaxDelta = 127;
inline constexpr size_t kRowLengthBytes = 2;
// The row length is a 16-bit field, so a raw row must fit in it.
inline constexpr int32_t kMaxWritableWidth = 32767;

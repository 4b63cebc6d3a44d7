#pragma once
// Texts that describe an image record for people: the readout mode names,
// the value fields of the Image Parameters sheet, and the list of the
// Modifications dialog. ExposureStateText and ParametersReport (the printed
// parameters) are members of CImage and live in texts.cpp as well.

#include <array>
#include <cstdint>
#include <string>

class CImage;

// Name of a readout mode for a camera row; "Unknown" outside the tables.
const char* ReadoutModeName(int32_t cameraIndex, int32_t readoutMode);

// File-type name of a fileType value, including the types the table lacks.
const char* FileTypeText(int32_t fileType);
// Image-kind name; "Unknown" outside 0..2.
const char* ImageKindText(int32_t imageKind);
// Camera table row of an index; row 0 ("Unknown") outside the table.
const char* CameraRowText(int32_t cameraIndex);

// Name shown for one character of a History text: a history code name,
// "Future KESL" or "External".
const char* HistoryEntryName(unsigned char entry);

// The Image Parameters sheet: 18 value fields, controls 1000..1017 in order.
inline constexpr int32_t kParameterFieldCount = 18;
inline constexpr int32_t kFirstParameterControl = 1000;
extern const std::array<const char*, kParameterFieldCount> ParameterFieldLabels;
std::array<std::string, kParameterFieldCount> ParameterFieldTexts(const CImage& image,
                                                                  const std::string& documentTitle);

// The Modifications dialog: the quoted title line and the list of names,
// five to a line, each left-aligned in 13 columns.
inline constexpr const char* kModificationsHeading = "The following modifications were made to";
std::string ModificationsTitleText(const std::string& documentTitle);
std::string ModificationsListText(const std::string& history);

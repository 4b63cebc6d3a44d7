#pragma once
// The program's side of a FITS import: asks the library for the file's
// probe, native-style header, header cards and pixels, corrects what the
// file left out, and maps the result into an image record. The record is
// filled only when the whole import succeeded.

#include <cstdint>
#include <string>
#include <vector>

#include "fitslib/orbex.h"
#include "image/fits_precision.h"

class CImage;

// The library entry point, or a stand-in with the same contract.
using FitsImportFunction = uint16_t (*)(uint16_t request, const char* path, void* output);

enum class FitsImportOutcome {
    ok,
    notFits,      // the library could not open the file as FITS
    unsupported,  // not a 16-bit image of two axes, or its size is unusable
    tooLarge,     // more pixels than the program holds
    failed,       // any other failure of the library
};

// Runs the probe, header and header-text requests into image (the record
// being built, not the one the user sees) and maps them into it.
// The file's BZERO and BSCALE go to scaling when given.
FitsImportOutcome ImportFits(CImage& image, const std::string& path, FitsImportFunction import,
                             FitsScaling* scaling = nullptr);

// The steps of ImportFits after the header request: the header cards (a
// text of headerTextSize bytes), the corrections and the mapping into image.
// Returns the file's value scaling, read before its cards are removed.
FitsScaling MapFitsHeader(CImage& image, const std::string& path, FITSIMAGEINFO& info,
                          int64_t headerTextSize, FitsImportFunction import);
// Moves what an import filled (pixels included) from staged into image.
void AdoptImportedRecord(CImage& image, CImage& staged);

// Loads header and pixels into a separate record and moves the result into
// image only on success; on failure image is unchanged and the outcome says why.
FitsImportOutcome ImportFitsImage(CImage& image, const std::string& path,
                                  FitsImportFunction import);

// The user's notice for a failed import.
const char* FitsImportFailureText(FitsImportOutcome outcome);
// The notice naming the cause the library reported for the request that just
// failed (a file cut short, a packed file, too little memory), or the
// outcome's notice when the library names none. Call it before any other request.
std::string FitsImportFailureCause(FitsImportOutcome outcome, const std::string& path,
                                   FitsImportFunction import);

// The conversion steps, in the order ImportFits runs them.
void CorrectImageInfo(FITSIMAGEINFO& info);
// First camera table row (0..14) whose name occurs in text, or -1.
int MatchCameraRow(const char* text);
void ChooseDisplayLevels(CImage& image, int32_t background, int32_t range);
void CopyImageInfo(CImage& image, const FITSIMAGEINFO& info);
void ApplyMetricStandard(CImage& image);
void RemoveWriterRecords(std::vector<char>& records);

// Whether the kept header records contain text (searched up to the terminator).
bool RecordsContain(const std::vector<char>& records, const char* text);
// The number after "NAME    =" in the kept records, or fallback.
double RecordNumber(const std::vector<char>& records, const char* keyword, double fallback);

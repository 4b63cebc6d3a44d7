// The 45 keywords every header knows by slot number, in slot order.

#include "orbex_internal.h"

namespace {
constexpr int kNever = FITS_NEVER_MANDATORY;
constexpr const char* kPhysical = "physical = BZERO + BSCALE*array_value";
}  // namespace

const FITSKEYROW fits_keytable[ORBEX_KNOWN_KEYS] = {
    {"SIMPLE", false, true, KT_LOGICAL, -1, ""},
    {"BITPIX", false, true, KT_INTEGER, -1, "8 unsigned int, 16 & 32 int, -32 & -64 real"},
    {"NAXIS", false, true, KT_INTEGER, -1, "number of axes"},
    {"NAXIS1", false, true, KT_INTEGER, 1, "fastest changing axis"},
    {"NAXIS2", false, true, KT_INTEGER, 2, "next to fastest changing axis"},
    {"NAXIS3", false, true, KT_INTEGER, 3, "next to slowest changing axis"},
    {"NAXIS4", false, true, KT_INTEGER, 4, "slowest changing axis"},
    {"DATE", false, true, KT_STRING, kNever, "YYYY-MM-DD header creation date, UT"},
    {"ORIGIN", false, true, KT_LONGSTRING, kNever, ""},
    {"DATE-OBS", false, true, KT_STRING, kNever, "YYYY-MM-DD observation start date, UT"},
    {"TELESCOP", false, true, KT_STRING, kNever, ""},
    {"INSTRUME", false, true, KT_STRING, kNever, ""},
    {"OBSERVER", false, true, KT_STRING, kNever, ""},
    {"OBJECT", false, true, KT_STRING, kNever, ""},
    {"EQUINOX", false, true, KT_REAL, kNever, ""},
    {"AUTHOR", true, true, KT_STRING, kNever, ""},
    {"REFERENC", true, true, KT_STRING, kNever, ""},
    {"COMMENT", true, false, KT_NONE, kNever, ""},
    {"HISTORY", true, false, KT_NONE, kNever, ""},
    {"BLCOMM", true, false, KT_BLANKKEY, kNever, ""},
    {"BSCALE", false, true, KT_REAL, kNever, kPhysical},
    {"BZERO", false, true, KT_REAL, kNever, kPhysical},
    {"BUNIT", false, true, KT_STRING, kNever, "physical units of pixels after BZERO and BSCALE"},
    {"BLANK", false, true, KT_INTEGER, kNever, "array value for undefined pixels, int's only"},
    {"CTYPE1", false, true, KT_STRING, kNever, "fastest changing axis name"},
    {"CTYPE2", false, true, KT_STRING, kNever, "slowest changing axis name"},
    {"CRPIX1", false, true, KT_REAL, kNever, ""},
    {"CRPIX2", false, true, KT_REAL, kNever, ""},
    {"CRVAL1", false, true, KT_REAL, kNever, ""},
    {"CRVAL2", false, true, KT_REAL, kNever, ""},
    {"CDELT1", false, true, KT_REAL, kNever, ""},
    {"CDELT2", false, true, KT_REAL, kNever, ""},
    {"CROTA1", false, true, KT_REAL, kNever, ""},
    {"CROTA2", false, true, KT_REAL, kNever, ""},
    {"DATAMAX", false, true, KT_REAL, kNever, "max valid physical pixel value"},
    {"DATAMIN", false, true, KT_REAL, kNever, "min valid physical pixel value"},
    {"SATURATE", false, true, KT_REAL, kNever, "array value for saturated pixels"},
    {"XPIXSZ", false, true, KT_REAL, kNever, "Image Pixel Width in microns"},
    {"YPIXSZ", false, true, KT_REAL, kNever, "Image Pixel Height in microns"},
    {"EXPTIME", false, true, KT_REAL, kNever, "Exposure time in seconds"},
    {"TIME-OBS", false, true, KT_STRING, kNever, "HH:MM:SS observation start time, UT"},
    {"CCD-TEMP", false, true, KT_REAL, kNever, "CCD temperature at start of exposure in C"},
    {"SET-TEMP", false, true, KT_REAL, kNever, "CCD temperature setpoint in C"},
    {"FILTER", false, true, KT_STRING, kNever, "Filter used when taking image"},
    {"NOTES", false, true, KT_STRING, kNever, ""},
};

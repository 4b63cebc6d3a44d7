#include "image/image.h"

const char* const CameraTable[kCameraCount] = {
    "Unknown", "QV-1", "QV-1X", "QV-2", "QV-3", "QV-Z", "QV-4", "QV-5",
    "OptaCam51", "OptaCam37", "QV-R", "QV-6", "QV-W", "QV-7", "QV-8", "QV-9",
};

const char* const HistoryCode[kHistoryCodeCount] = {
    "Previous???", "Co-Add",     "Scale",      "Crop",       "DarkSubtract", "Kill Cool",
    "Flat Field",  "Smooth",     "Sharpen 2",  "Pseudo Flat", "Quantize",    "Kill Warm",
    "H-Flip",      "V-Flip",     "Zoom",       "More...",    "Log Scale",    "Combine",
    "AutoDark",    "Replicate",  "Clip",       "Compress",   "Merge-2",      "Merge-3",
    "Translate",   "Invert",     "Sharpen 1",  "Uncompress", "Modernize",    "Resample",
    "Average",     "+-Constant", "*/Constant", "Enlarge",    "Reduce",       "Column",
    "AdaptSub",    "Pseudo 3-D", "AutoDarkHPR", "HPRSub",    "Deconvolve",   "Median Fltr",
    "Set Sat",     "DDP",        "Rotate",
};

const char* const ImageKindName[3] = {"Standard Image", "Primary Color Image", "RGB Image"};

const char* const FileTypeName[4] = {"Compressed", "Uncompressed", "TIFF", "FITS"};

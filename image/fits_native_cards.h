#pragma once
// Cards that carry a native image's header fields into a FITS file, under
// the keywords the FITS import reads back, so that converting a native image
// to FITS keeps its exposure, camera and observation details.

#include <vector>

class CImage;

// The header records (80 characters each, then a zero) for image's fields.
std::vector<char> NativeFieldRecords(const CImage& image);

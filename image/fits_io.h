#pragma once
// The hand-off between the image record and the FITS format. Serialize calls
// these for FITS content; both report failure by throwing CFileException
// after showing the user a notice.

#include <string>

class CArchive;
class CImage;

// Fills the record from the FITS file at path.
void LoadFitsImage(CImage& image, const std::string& path);
// Writes the record as a FITS file through the storing archive.
void SaveFitsImage(CImage& image, CArchive& archive);
// Whether this build can write FITS files at all.
bool FitsExportAvailable();

#pragma once
// The two halves of Serialize for native files, kept apart from the record's
// declaration so the reader and writer can each live in their own file.

#include <string>

class CArchive;
class CImage;

// ParseNativeHeader that also says why a header was refused, when the
// reason is one the user can act on (a value that is not a number).
bool ParseNativeHeaderBlock(CImage& image, const char* block, std::string& problem);

// Reads the header block, hands FITS content to the FITS import and reads
// native files itself. Throws CFileException after any notice.
void ReadImageArchive(CImage& image, CArchive& archive);
// Writes the compressed native form. Throws CFileException, having written
// nothing the caller should keep, when the record cannot be stored.
void WriteNativeArchive(const CImage& image, CArchive& archive);

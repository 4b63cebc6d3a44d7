#include "image/fits_io.h"

#include "image/image.h"
#include "platform/archive.h"
#include "platform/file_error.h"
#include "platform/messages.h"

namespace {

constexpr const char* kNoFitsSupport = "FITS files are not supported by this build of Quorvane.";

}  // namespace

void LoadFitsImage(CImage&, const std::string& path) {
    ShowMessage(kNoFitsSupport);
    throw CFileException(CFileException::generic, path, kNoFitsSupport);
}

void SaveFitsImage(CImage&, CArchive& archive) {
    ShowMessage(kNoFitsSupport);
    throw CFileException(CFileException::generic, archive.GetFilePath(), kNoFitsSupport);
}

bool FitsExportAvailable() { return false; }

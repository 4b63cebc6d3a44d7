#include "image/fits_io.h"

#include "image/fits_reader.h"
#include "image/fits_writer.h"
#include "image/image.h"
#include "image/wide_fits.h"
#include "platform/archive.h"
#include "platform/file_error.h"
#include "platform/messages.h"

namespace {

// The header text is work space of one save: gone again however the save ends.
struct HeaderTextScope {
    explicit HeaderTextScope(CImage& image) : image_(image) {}
    ~HeaderTextScope() { image_.fitsHeaderText.clear(); }
    HeaderTextScope(const HeaderTextScope&) = delete;
    HeaderTextScope& operator=(const HeaderTextScope&) = delete;
    CImage& image_;
};

}  // namespace

void LoadFitsImage(CImage& image, const std::string& path) {
    FitsImportOutcome outcome = ImportFitsImage(image, path, &FITSImport);
    if (outcome == FitsImportOutcome::ok)
        return;
    // Asked at once: the next request forgets what ended this one.
    const std::string text = FitsImportFailureCause(outcome, path, &FITSImport);
    // Wider values are not refused outright: the caller may offer the conversion.
    if (outcome == FitsImportOutcome::unsupported)
        if (std::optional<WideFitsFile> wide = ProbeWideFits(path, &FITSImport))
            throw WideFitsRefused(path, *wide);
    ShowMessage(text);
    throw CFileException(CFileException::generic, path, text);
}

void SaveFitsImage(CImage& image, CArchive& archive) {
    HeaderTextScope scope(image);
    BuildFitsHeader(image, TodayFitsDate());
    archive.Write(image.fitsHeaderText.data(), image.fitsHeaderText.size());
    image.fitsHeaderText.clear();
    WriteFitsData(image, archive);
    // Further HDUs of the original (tables, other images) follow as they came.
    if (!image.fitsExtensions.empty())
        archive.Write(image.fitsExtensions.data(), image.fitsExtensions.size());
}

bool FitsExportAvailable() { return true; }

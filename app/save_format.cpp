#include "app/save_format.h"

#include <QFileInfo>

#include "image/fits_native_cards.h"
#include "image/image.h"

namespace {

const QStringList kNativeSuffixes = {"qvz", "qv2", "qv3", "qv4", "qv5", "c51", "c37", "qv6", "qvw"};
const QStringList kFitsSuffixes = {"fit", "fts", "fits"};

enum SaveFilter { kNativeFilter = 1, kFitsFilter = 2 };

}  // namespace

QStringList SaveAsFilters() {
    return {
        QStringLiteral("KESL Image Files (*.qvz *.qv2 *.qv3 *.qv4 *.qv5 *.c51 *.c37 *.qv6 *.qvw)"),
        QStringLiteral("FITS Image Files (*.fit *.fts *.fits)"),
        QStringLiteral("All files (*)"),
    };
}

int SaveAsFilterOf(const CImage& image) { return image.fileType == kFileFits ? kFitsFilter : kNativeFilter; }

SaveFormat ChooseSaveFormat(const QString& path, int filterIndex) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (kFitsSuffixes.contains(suffix)) return SaveFormat::fits;
    if (kNativeSuffixes.contains(suffix)) return SaveFormat::native;
    if (filterIndex == kNativeFilter) return SaveFormat::native;
    if (filterIndex == kFitsFilter) return SaveFormat::fits;
    return SaveFormat::keep;
}

FormatBackup ConvertForSave(CImage& image, SaveFormat format) {
    FormatBackup backup{image.fileType, image.fitsRecords};
    if (format == SaveFormat::fits && image.fileType != kFileFits) {
        // The FITS writer's own cards hold only size and display levels; the
        // native fields travel as kept cards that opening the file reads back.
        image.fitsRecords = NativeFieldRecords(image);
        image.fileType = kFileFits;
    } else if (format == SaveFormat::native && image.fileType == kFileFits) {
        image.fileType = kFileCompressed;
    }
    return backup;
}

void RestoreFormat(CImage& image, FormatBackup backup) {
    image.fileType = backup.fileType;
    image.fitsRecords = std::move(backup.fitsRecords);
}

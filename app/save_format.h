#pragma once
// The format Save As writes: named by the typed extension when it names one
// of the program's formats, otherwise by the dialog's filter; "All files"
// with any other name keeps the image's own format.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

class CImage;

enum class SaveFormat { keep, native, fits };

// The Save As filters in the order of their indices (1, 2, 3).
QStringList SaveAsFilters();
// The filter (1-based) that names the image's own format.
int SaveAsFilterOf(const CImage& image);
SaveFormat ChooseSaveFormat(const QString& path, int filterIndex);

// Readies the image to be written in the format. Returns what is needed to
// undo it if the write fails.
struct FormatBackup {
    int32_t fileType = 0;
    std::vector<char> fitsRecords;
};
FormatBackup ConvertForSave(CImage& image, SaveFormat format);
void RestoreFormat(CImage& image, FormatBackup backup);

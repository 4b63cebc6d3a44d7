#include "app/print/printed_page.h"

#include <QLocale>
#include <QVector>

#include "app/display/display_bitmap.h"
#include "app/display/zoom.h"
#include "image/image.h"

QImage PictureOfBitmap(const DisplayBitmap& bitmap) {
    if (!bitmap.IsCreated()) return {};
    const QImage borrowed(bitmap.Bits(), bitmap.Width(), bitmap.Height(), bitmap.Stride(),
                          QImage::Format_Indexed8);
    QImage picture = borrowed.copy();
    QVector<QRgb> colours(kColourTableSize);
    for (int i = 0; i < kColourTableSize; ++i) {
        const RgbQuad& entry = bitmap.colours[size_t(i)];
        colours[i] = qRgb(entry.red, entry.green, entry.blue);
    }
    picture.setColorTable(colours);
    return picture;
}

QString VersionLine(const QString& version, const QDate& date) {
    return QStringLiteral("Quorvane Version ") + version + QStringLiteral("  ") +
           QLocale().toString(date, QLocale::LongFormat);
}

PrintedPage MakePrintedPage(const CImage& image, const DisplayBitmap& bitmap,
                            const std::string& documentTitle, const QString& version,
                            const QDate& date) {
    PrintedPage page;
    page.picture = PictureOfBitmap(bitmap);
    const DisplaySize shown = ZoomedSize(bitmap.Width(), bitmap.Height(), image.display.zoom);
    page.displaySize = QSize(shown.width, shown.height);
    std::string report;
    image.ParametersReport(report, documentTitle);
    page.report = QString::fromStdString(report);
    page.versionLine = VersionLine(version, date);
    return page;
}

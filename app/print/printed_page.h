#pragma once
// What the printed page of an image shows: the picture as the window draws
// it (without star marks or the selection outline), the image's parameters
// report and the version/date line. Gathered at the moment of printing so
// that the page does not depend on the window afterwards.

#include <QDate>
#include <QImage>
#include <QSize>
#include <QString>
#include <string>

class CImage;
class DisplayBitmap;

struct PrintedPage {
    // One pixel per image pixel, coloured through the display colour table.
    QImage picture;
    // The picture's size on screen at the image's zoom, in screen pixels.
    QSize displaySize;
    QString report;
    QString versionLine;
};

// The display bitmap as a picture of its own (a deep copy); empty when the
// bitmap has not been made.
QImage PictureOfBitmap(const DisplayBitmap& bitmap);

// "Quorvane Version <version>" and the date in the user's long date format.
QString VersionLine(const QString& version, const QDate& date);

PrintedPage MakePrintedPage(const CImage& image, const DisplayBitmap& bitmap,
                            const std::string& documentTitle, const QString& version,
                            const QDate& date);

#include "app/print/page_composer.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "app/print/printed_page.h"

namespace {

// The picture keeps the size it has on a screen of this resolution unless
// the page is too small for it.
constexpr double kScreenDpi = 96.0;
constexpr double kMarginInches = 0.5;
constexpr double kGapInches = 0.25;
constexpr double kFrameInches = 0.01;
constexpr double kTextPoints = 10.0;

struct PageFonts {
    QFont report;
    QFont versionLine;
};

PageFonts MakeFonts() {
    PageFonts fonts{QFontDatabase::systemFont(QFontDatabase::FixedFont), QFont()};
    fonts.report.setPointSizeF(kTextPoints);
    fonts.versionLine.setPointSizeF(kTextPoints);
    return fonts;
}

QSize TextSize(const QFont& font, QPaintDevice* device, const QString& text) {
    if (text.isEmpty()) return {0, 0};
    return QFontMetrics(font, device).boundingRect(QRect(), Qt::AlignLeft | Qt::AlignTop, text).size();
}

// The nominal on-screen size, shrunk (never enlarged) to fit the box with
// the picture's proportions kept.
QSize FittedPictureSize(const PrintedPage& page, int dpi, QSize box) {
    const double scale = dpi / kScreenDpi;
    double width = page.displaySize.width() * scale;
    double height = page.displaySize.height() * scale;
    if (width <= 0 || height <= 0) return {0, 0};
    const double shrink = std::min({1.0, box.width() / width, box.height() / height});
    return {std::max(1, int(width * std::max(shrink, 0.0))), std::max(1, int(height * std::max(shrink, 0.0)))};
}

QRect CentredAt(int centreX, int top, QSize size, int maxWidth) {
    const int width = std::min(size.width(), maxWidth);
    return {centreX - width / 2, top, width, size.height()};
}

}  // namespace

PageLayout DrawPage(QPainter& painter, const QRect& area, const PrintedPage& page) {
    QPaintDevice* device = painter.device();
    const int dpi = device ? device->logicalDpiY() : int(kScreenDpi);
    const int margin = int(std::lround(kMarginInches * dpi));
    const int gap = int(std::lround(kGapInches * dpi));
    const int frame = std::max(1, int(std::lround(kFrameInches * dpi)));
    // A page too small for the margins is used edge to edge.
    QRect content = area.adjusted(margin, margin, -margin, -margin);
    if (content.width() <= 0 || content.height() <= 0) content = area;

    const PageFonts fonts = MakeFonts();
    const QSize reportSize = TextSize(fonts.report, device, page.report);
    const QSize lineSize = TextSize(fonts.versionLine, device, page.versionLine);
    const QSize box(content.width() - 2 * frame,
                    content.height() - 2 * frame - 2 * gap - reportSize.height() - lineSize.height());
    const int centreX = content.left() + content.width() / 2;

    PageLayout layout;
    const QSize pictureSize = FittedPictureSize(page, dpi, box);
    if (!page.picture.isNull() && !pictureSize.isEmpty()) {
        layout.picture = QRect(QPoint(centreX - pictureSize.width() / 2, content.top() + frame), pictureSize);
        layout.frame = layout.picture.adjusted(-frame, -frame, frame, frame);
        painter.fillRect(layout.frame, Qt::black);
        painter.save();
        // Pixels stay square blocks, as the window shows them at any zoom.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(layout.picture, page.picture);
        painter.restore();
    }
    const int textTop = layout.frame.isNull() ? content.top() : layout.frame.bottom() + 1 + gap;
    layout.report = CentredAt(centreX, textTop, reportSize, content.width());
    layout.versionLine = CentredAt(centreX, layout.report.bottom() + 1 + gap, lineSize, content.width());

    painter.save();
    painter.setPen(Qt::black);
    painter.setFont(fonts.report);
    painter.drawText(layout.report, Qt::AlignLeft | Qt::AlignTop, page.report);
    painter.setFont(fonts.versionLine);
    painter.drawText(layout.versionLine, Qt::AlignHCenter | Qt::AlignTop, page.versionLine);
    painter.restore();
    return layout;
}

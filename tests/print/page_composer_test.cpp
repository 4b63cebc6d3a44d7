#include <QImage>
#include <QPainter>
#include <QTest>

#include "app/print/page_composer.h"
#include "print_fixtures.h"

namespace {

constexpr int kDpi = 100;

QImage BlankPage(int widthInches10, int heightInches10) {
    QImage page(widthInches10 * kDpi / 10, heightInches10 * kDpi / 10, QImage::Format_RGB32);
    page.setDotsPerMeterX(int(kDpi / 0.0254 + 0.5));
    page.setDotsPerMeterY(int(kDpi / 0.0254 + 0.5));
    page.fill(Qt::white);
    return page;
}

PageLayout Draw(QImage& target, const PrintedPage& page) {
    QPainter painter(&target);
    return DrawPage(painter, target.rect(), page);
}

bool HasInk(const QImage& image, const QRect& rect) {
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128) return true;
    return false;
}

}  // namespace

class PageComposerTest : public QObject {
    Q_OBJECT
private slots:
    // The picture is centred across the page inside a black frame, shows the
    // display greys pixel for pixel, and the report and version line follow below.
    void pictureFramedCentredAndTextBelow() {
        const auto subject = RampSubject(80, 50);
        const PrintedPage page = PageOf(*subject);
        QImage target = BlankPage(85, 110);
        const PageLayout layout = Draw(target, page);

        // At 100 dpi the 80 x 50 screen picture keeps its size (96 dpi screen).
        QCOMPARE(layout.picture.size(), QSize(83, 52));
        const int leftGap = layout.frame.left();
        const int rightGap = target.width() - 1 - layout.frame.right();
        QVERIFY2(std::abs(leftGap - rightGap) <= 1, qPrintable(QStringLiteral("gaps %1 / %2").arg(leftGap).arg(rightGap)));

        const QRect frame = layout.frame;
        const int midX = frame.center().x(), midY = frame.center().y();
        for (const QPoint edge : {QPoint(frame.left(), midY), QPoint(frame.right(), midY),
                                  QPoint(midX, frame.top()), QPoint(midX, frame.bottom())})
            QVERIFY2(target.pixel(edge) == qRgb(0, 0, 0),
                     qPrintable(QStringLiteral("frame pixel %1,%2").arg(edge.x()).arg(edge.y())));

        for (int column : {0, 20, 40, 79}) {
            const int pageX = layout.picture.left() + (column * layout.picture.width() + layout.picture.width() / 2) / 80;
            const int pageY = layout.picture.top() + layout.picture.height() / 2;
            const int expected = subject->bitmap.colours[subject->bitmap.Row(25)[column]].green;
            QVERIFY2(std::abs(qGray(target.pixel(pageX, pageY)) - expected) <= 1,
                     qPrintable(QStringLiteral("image column %1: page grey %2, display grey %3")
                                    .arg(column).arg(qGray(target.pixel(pageX, pageY))).arg(expected)));
        }

        QVERIFY(layout.report.top() > layout.frame.bottom());
        QVERIFY(layout.versionLine.top() > layout.report.bottom());
        QVERIFY(HasInk(target, layout.report));
        QVERIFY(HasInk(target, layout.versionLine));
        QVERIFY(target.rect().contains(layout.versionLine));
        const int reportCentre = layout.report.center().x();
        QVERIFY(std::abs(reportCentre - target.width() / 2) <= 2);
    }

    // A picture larger than the page shrinks, keeping its proportions, so
    // that the frame and all the text stay on the page.
    void largePictureShrinksToFit() {
        const auto subject = RampSubject(1200, 900);
        QImage target = BlankPage(85, 110);
        const PageLayout layout = Draw(target, PageOf(*subject));
        QVERIFY(target.rect().contains(layout.frame));
        QVERIFY(target.rect().contains(layout.report));
        QVERIFY(target.rect().contains(layout.versionLine));
        const double aspect = double(layout.picture.width()) / layout.picture.height();
        QVERIFY2(std::abs(aspect - 1200.0 / 900.0) < 0.02, qPrintable(QString::number(aspect)));
    }

    // The zoom sets the picture's printed size, as it sets its size on screen.
    void zoomSetsPrintedSize() {
        const auto half = RampSubject(80, 50, 1);
        const auto twice = RampSubject(80, 50, 3);
        QImage first = BlankPage(85, 110), second = BlankPage(85, 110);
        QCOMPARE(Draw(first, PageOf(*half)).picture.width(), 41);
        QCOMPARE(Draw(second, PageOf(*twice)).picture.width(), 166);
    }

    // An image without a display bitmap still prints its report and line.
    void pageWithoutPictureStillHasText() {
        DisplayBitmap none;
        CImage image;
        const PrintedPage page = MakePrintedPage(image, none, "empty", QStringLiteral("1"), QDate(2024, 1, 1));
        QImage target = BlankPage(85, 110);
        const PageLayout layout = Draw(target, page);
        QVERIFY(layout.frame.isNull());
        QVERIFY(HasInk(target, layout.report));
    }
};

QTEST_MAIN(PageComposerTest)
#include "page_composer_test.moc"

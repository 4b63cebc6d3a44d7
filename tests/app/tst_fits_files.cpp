// FITS images in the window: the "FITS Rows Bottom Up" view option, and the
// conversion offered for images of values wider than 16 bits.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <cmath>

#include "app/child_frame.h"
#include "app/commands.h"
#include "app/fits_orientation.h"
#include "app/main_frame.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app/wide_convert_prompt.h"
#include "app_harness.h"
#include "image/image.h"
#include "platform/archive.h"

namespace {

class RecordingCrosshairs : public QWidget, public CrosshairWindow {
public:
    QWidget* Widget() override { return this; }
    void ShowReadouts(CQuorvaneView&, int32_t x, int32_t y) override { last = QPoint(x, y); }
    int32_t ListBoxSize() const override { return 7; }
    QPoint last{-1, -1};
};

// A FITS image 8 wide and 6 high whose rows grow brighter from the first.
QString WriteRowsFits(const QString& folder) {
    CImage image;
    image.Width = 8;
    image.Height = 6;
    image.fileType = kFileFits;
    image.pixels.resize(48);
    for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = uint16_t(i / 8 * 13107);
    const QString path = QDir(folder).filePath(QStringLiteral("rows.fits"));
    CArchive archive(QFile::encodeName(path).toStdString(), CArchive::store);
    image.Serialize(archive);
    archive.Commit();
    return path;
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int Grey(const QImage& picture, int x, int y) { return qGray(picture.pixel(x, y)); }

}  // namespace

class FitsFilesTest : public QObject {
    Q_OBJECT
private slots:
    void init() { harness_ = std::make_unique<AppHarness>(); }
    void cleanup() {
        harness_.reset();
        WideConvertAsk() = previousAsk_;
    }

    // With the option on, a FITS image shows its first row at the bottom and
    // the crosshairs name the pixel under the cursor by its stored row; the
    // pixels and the saved file do not change, and the choice is remembered.
    void rowsBottomUpFlipsDisplayAndCursorOnly() {
        CQuorvaneApp& app = harness_->App();
        RecordingCrosshairs* crosshairs = nullptr;
        app.Extensions().createCrosshairWindow = [&](QWidget*) { return crosshairs = new RecordingCrosshairs; };
        CQuorvaneDoc* document = harness_->Open(WriteRowsFits(harness_->Folder()));
        QVERIFY(document);
        CQuorvaneView* view = harness_->ViewOf(*document);
        view->ApplyDisplaySettings({0, 65535, 0, 0, 0, 2});
        const std::vector<uint16_t> pixels = document->Image().pixels;
        view->OnCommand(Cmd::DisplayCrosshairs);
        QVERIFY(crosshairs);

        QCOMPARE(view->QueryCommand(Cmd::FitsRowsBottomUp).checked, false);
        QImage written = view->viewport()->grab().toImage();
        QVERIFY(Grey(written, 1, 0) < Grey(written, 1, 5));
        QTest::mouseMove(view->viewport(), QPoint(2, 0));
        QCOMPARE(crosshairs->last, QPoint(2, 0));
        const QString savedWritten = QDir(harness_->Folder()).filePath(QStringLiteral("written.fits"));
        QVERIFY(document->OnSaveDocument(savedWritten));

        app.MainFrame()->OnCommand(Cmd::FitsRowsBottomUp);
        QCOMPARE(view->QueryCommand(Cmd::FitsRowsBottomUp).checked, true);
        QImage flipped = view->viewport()->grab().toImage();
        QCOMPARE(Grey(flipped, 1, 0), Grey(written, 1, 5));
        QCOMPARE(Grey(flipped, 1, 5), Grey(written, 1, 0));
        QCOMPARE(view->ImageToViewport({3, 0}), QPoint(3, 5));
        QCOMPARE(view->ViewportToImage({3, 5}), QPoint(3, 0));
        QTest::mouseMove(view->viewport(), QPoint(2, 1));
        QTest::mouseMove(view->viewport(), QPoint(2, 0));
        QCOMPARE(crosshairs->last, QPoint(2, 5));
        QCOMPARE(harness_->FrameOf(*document)->CursorPosition(), QPoint(2, 5));

        QCOMPARE(document->Image().pixels, pixels);
        const QString savedFlipped = QDir(harness_->Folder()).filePath(QStringLiteral("flipped.fits"));
        QVERIFY(document->OnSaveDocument(savedFlipped));
        QCOMPARE(FileBytes(savedFlipped), FileBytes(savedWritten));

        // A native image keeps its rows top down whatever the option says.
        CQuorvaneDoc* native = harness_->Open(harness_->WriteImage(QStringLiteral("n.qv4"), 8, 6));
        QCOMPARE(harness_->ViewOf(*native)->ImageToViewport({3, 0}), QPoint(3, 0));

        delete crosshairs;
        harness_->Stop();
        QVERIFY(harness_->Start());
        QVERIFY(FitsOrientation::Instance().RowsBottomUp());
        FitsOrientation::Instance().SetRowsBottomUp(false);
    }

    // A stacked float frame written by astropy: the question shows the
    // automatic mapping and the undefined values; the image opens converted,
    // unnamed and modified, and its save never replaces the original.
    void floatFrameOpensConvertedAndSavesUnderANewName() {
        QVERIFY(QProcess::execute(QStringLiteral("/usr/bin/python3"),
                                  {QStringLiteral(QV_WIDE_FILES_SCRIPT), harness_->Folder()}) == 0);
        const QString original = QDir(harness_->Folder()).filePath(QStringLiteral("stacked.fits"));
        const QByteArray before = FileBytes(original);
        previousAsk_ = WideConvertAsk();
        int asked = 0;
        WideMapping shown;
        WideFitsFile shownFile;
        QString shownName;
        WideConvertAsk() = [&](QWidget*, const QString& name, const WideFitsFile& file, const WideMapping& automatic) {
            ++asked;
            shown = automatic;
            shownFile = file;
            shownName = name;
            return asked == 1 ? std::optional<WideScale>() : std::optional<WideScale>(WideScale{});
        };
        QVERIFY(!harness_->Open(original));  // declined: nothing opens
        CQuorvaneDoc* document = harness_->Open(original);
        QVERIFY(document);
        QCOMPARE(asked, 2);
        QCOMPARE(shownName, QStringLiteral("stacked.fits"));
        QCOMPARE(shownFile.bitpix, -32);
        QCOMPARE(shown.undefined, int64_t(302));
        QVERIFY(harness_->messages.empty());
        QVERIFY(document->IsModified());
        QVERIFY(document->PathName().isEmpty());
        QCOMPARE(document->Title(), QStringLiteral("stacked-16bit.fits"));
        QCOMPARE(document->Image().fileType, int32_t(kFileFits));
        QCOMPARE(document->Image().Width, 150);

        harness_->saveAsAnswer = original;
        QVERIFY(!document->DoFileSave());
        QCOMPARE(harness_->messages.size(), size_t(1));
        QCOMPARE(FileBytes(original), before);
        const QString converted = QDir(harness_->Folder()).filePath(QStringLiteral("mine.fits"));
        harness_->saveAsAnswer = converted;
        QVERIFY(document->DoFileSave());
        QVERIFY(!document->IsModified());
        QCOMPARE(document->PathName(), QFileInfo(converted).absoluteFilePath());
        QVERIFY(FileBytes(converted).contains("QVSCALE ="));
        QCOMPARE(FileBytes(original), before);
    }

private:
    std::unique_ptr<AppHarness> harness_;
    WideConvertPrompt previousAsk_ = WideConvertAsk();
};

QTEST_MAIN(FitsFilesTest)
#include "tst_fits_files.moc"

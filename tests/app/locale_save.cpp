// The whole program under a decimal-comma locale (run by ctest with the
// de_DE.UTF-8 fixture): an image opened in a window and saved keeps numbers
// with a decimal point in its file, FITS and native alike.
#include <QFile>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/quorvane_doc.h"
#include "app_harness.h"
#include "image/image.h"
#include "platform/archive.h"

class LocaleSaveTest : public QObject {
    Q_OBJECT
private slots:
    // QApplication adopted the environment's locale; without a decimal comma this test proves nothing.
    void initTestCase() {
        char text[16];
        std::snprintf(text, sizeof text, "%.1f", 1.5);
        QCOMPARE(QByteArray(text), QByteArray("1,5"));
    }
    void init() { harness_ = std::make_unique<AppHarness>(); }
    void cleanup() { harness_.reset(); }

    // A FITS image flipped and saved in the window has point-decimal reals, passes fitsverify and reads back.
    void fitsSaveInTheWindow() {
        const std::string path = (harness_->Folder() + QStringLiteral("/image.fits")).toStdString();
        CImage made;
        made.fileType = kFileFits;
        made.Width = 3;
        made.Height = 2;
        made.pixels = {1, 2, 3, 40000, 50000, 65535};
        {
            CArchive archive(path, CArchive::store);
            made.Serialize(archive);
            archive.Commit();
        }
        CQuorvaneDoc document;
        QVERIFY(document.OnOpenDocument(QString::fromStdString(path)));
        document.Image().FlipVertical();
        QVERIFY(document.OnSaveDocument(QString::fromStdString(path)));
        QFile file(QString::fromStdString(path));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray header = file.read(2880);
        QVERIFY2(header.contains("BZERO   = +3.276800000000E+004"), header.constData());
        QVERIFY2(header.contains("BSCALE  = +1.000000000000E+000"), header.constData());
        QCOMPARE(std::system(("fitsverify -q '" + path + "' > /dev/null").c_str()), 0);
        CImage back;
        CArchive archive(path, CArchive::load);
        back.Serialize(archive);
        QVERIFY(back.pixels == (std::vector<uint16_t>{40000, 50000, 65535, 1, 2, 3}));
    }

    // A native image's reals survive a save in the window.
    void nativeSaveInTheWindow() {
        const QString path = harness_->WriteImage(QStringLiteral("image.qv4"), 8, 6);
        CQuorvaneDoc document;
        QVERIFY(document.OnOpenDocument(path));
        document.Image().Focal_length = 12.75;
        document.Image().E_gain = 2.5;
        document.Image().X_pixel_size = 0.0068;
        QVERIFY(document.OnSaveDocument(path));
        CImage back;
        CArchive archive(path.toStdString(), CArchive::load);
        back.Serialize(archive);
        QCOMPARE(back.Focal_length, 12.75);
        QCOMPARE(back.E_gain, 2.5);
        QVERIFY(std::abs(back.X_pixel_size - 0.0068) < 1e-6);
    }

private:
    std::unique_ptr<AppHarness> harness_;
};

QTEST_MAIN(LocaleSaveTest)
#include "locale_save.moc"

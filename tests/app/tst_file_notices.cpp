// What the window says when a file cannot be opened: one notice that names
// the file and the cause.
#include <QFile>
#include <QTest>

#include "app/quorvane_doc.h"
#include "app_harness.h"

namespace {

// A FITS header of 80-character cards padded to 2880 bytes, then data bytes.
void WriteFits(const QString& path, const QStringList& cards) {
    QByteArray header;
    for (const QString& card : cards) header += card.toLatin1().leftJustified(80, ' ');
    header += QByteArray("END").leftJustified(80, ' ');
    header = header.leftJustified(2880, ' ');
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(header + QByteArray(2880, 0));
}

}  // namespace

class FileNoticesTest : public QObject {
    Q_OBJECT
private slots:
    void init() { harness_ = std::make_unique<AppHarness>(); }
    void cleanup() { harness_.reset(); }

    // A FITS file the program cannot open shows a single notice with its name and the reason.
    void failedFitsOpenShowsOneNotice() {
        const QString path = harness_->Folder() + QStringLiteral("/bytes.fits");
        WriteFits(path,
                  {QStringLiteral("SIMPLE  =                    T"), QStringLiteral("BITPIX  =                    8"),
                   QStringLiteral("NAXIS   =                    2"), QStringLiteral("NAXIS1  =                    2"),
                   QStringLiteral("NAXIS2  =                    1")});
        CQuorvaneDoc document;
        QVERIFY(!document.OnOpenDocument(path));
        QCOMPARE(harness_->messages.size(), size_t(1));
        const QString text = QString::fromStdString(harness_->messages[0].text);
        QVERIFY2(text.contains(QStringLiteral("bytes.fits")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("16-bit")), qPrintable(text));
    }

    // A folder given as an image says so, once.
    void folderAsImageIsNamed() {
        CQuorvaneDoc document;
        QVERIFY(!document.OnOpenDocument(harness_->Folder()));
        QCOMPARE(harness_->messages.size(), size_t(1));
        QVERIFY2(QString::fromStdString(harness_->messages[0].text).contains(QStringLiteral("it is a folder")),
                 harness_->messages[0].text.c_str());
    }

private:
    std::unique_ptr<AppHarness> harness_;
};

QTEST_MAIN(FileNoticesTest)
#include "tst_file_notices.moc"

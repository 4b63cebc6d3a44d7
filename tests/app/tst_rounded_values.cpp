// FITS images whose values the import had to round: the window says so when
// the image opens, and the first save over the file asks before replacing it.
#include <QDir>
#include <QFile>
#include <QTest>

#include "app/main_frame.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/rounded_save_prompt.h"
#include "app_harness.h"

namespace {

QByteArray Card(const QByteArray& text) { return text.leftJustified(80, ' ', true); }

// A 4 x 2 image of 16-bit stored values with the given extra cards.
QString WriteFits(const QString& folder, const QString& name, const QList<QByteArray>& extra,
                  const QList<qint16>& stored) {
    QByteArray bytes = Card("SIMPLE  =                    T") + Card("BITPIX  =                   16") +
                       Card("NAXIS   =                    2") + Card("NAXIS1  =                    4") +
                       Card("NAXIS2  =                    2");
    for (const QByteArray& card : extra) bytes += Card(card);
    bytes += Card("END");
    bytes += QByteArray((2880 - bytes.size() % 2880) % 2880, ' ');
    for (qint16 value : stored) {
        bytes += char((quint16(value) >> 8) & 0xFF);
        bytes += char(quint16(value) & 0xFF);
    }
    bytes += QByteArray(2880 - 2 * stored.size(), '\0');
    const QString path = QDir(folder).filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
    return path;
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class RoundedValuesTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        harness_ = std::make_unique<AppHarness>();
        previousAsk_ = RoundedSaveAsk();
        RoundedSaveAsk() = [this](QWidget*, const QString& name, const QString& reason) {
            asked_.append(name + QStringLiteral(": ") + reason);
            return replace_;
        };
    }
    void cleanup() {
        harness_.reset();
        RoundedSaveAsk() = previousAsk_;
        asked_.clear();
    }

    // BSCALE 0.5: the status bar names the file and the scaling; Save over
    // the file asks, and a No leaves it byte for byte; Save As to a new name
    // does not ask, and neither does a later Save of that copy.
    void scaledValuesAskBeforeTheOriginalIsReplaced() {
        const QString original = WriteFits(harness_->Folder(), QStringLiteral("scaled.fits"),
                                           {"BSCALE  =                  0.5", "BZERO   =                    0"},
                                           {0, 1, 3, 5, 100, 201, 1001, 32767});
        const QByteArray before = FileBytes(original);
        CQuorvaneDoc* document = harness_->Open(original);
        QVERIFY(document);
        QVERIFY(harness_->messages.empty());
        const QString status = harness_->App().MainFrame()->MessageText();
        QVERIFY2(status.startsWith(QStringLiteral("scaled.fits: ")), qPrintable(status));
        QVERIFY2(status.contains(QStringLiteral("BSCALE = 0.5")), qPrintable(status));

        document->SetModifiedFlag();
        replace_ = false;
        QVERIFY(!document->DoFileSave());
        QCOMPARE(asked_.size(), 1);
        QVERIFY(asked_.front().startsWith(QStringLiteral("scaled.fits: ")));
        QCOMPARE(FileBytes(original), before);
        QVERIFY(document->IsModified());

        const QString copy = QDir(harness_->Folder()).filePath(QStringLiteral("copy.fits"));
        harness_->saveAsAnswer = copy;
        QVERIFY(document->DoSaveAs());
        QVERIFY(document->DoFileSave());
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(FileBytes(original), before);

        // Back onto the original by Save As: asked again, and replaced on Yes.
        harness_->saveAsAnswer = original;
        replace_ = true;
        QVERIFY(document->DoSaveAs());
        QCOMPARE(asked_.size(), 2);
        QVERIFY(FileBytes(original) != before);
        QVERIFY(document->DoFileSave());
        QCOMPARE(asked_.size(), 2);  // the file now holds what the window shows
    }

    // Signed values (BZERO 0) below zero cannot be held in 16 unsigned bits:
    // the image says so and Save asks; on Yes the file is replaced once.
    void valuesOutsideSixteenBitsAsk() {
        const QString original =
            WriteFits(harness_->Folder(), QStringLiteral("signed.fits"), {}, {-5, 0, 7, 9, 11, 13, 15, 17});
        CQuorvaneDoc* document = harness_->Open(original);
        QVERIFY(document);
        QVERIFY(harness_->App().MainFrame()->MessageText().contains(QStringLiteral("outside 0 to 65535")));
        replace_ = true;
        QVERIFY(document->DoFileSave());
        QVERIFY(document->DoFileSave());
        QCOMPARE(asked_.size(), 1);
    }

    // Values that fit exactly (unsigned with BZERO 32768, or signed but all
    // non-negative) say nothing and save without a question.
    void exactValuesSaveWithoutAsking() {
        for (const auto& [name, cards, stored] :
             {std::tuple{QStringLiteral("unsigned.fits"), QList<QByteArray>{"BZERO   =                32768"},
                         QList<qint16>{-32768, -1, 0, 32767, 5, 6, 7, 8}},
              std::tuple{QStringLiteral("positive.fits"), QList<QByteArray>{}, QList<qint16>{0, 1, 2, 3, 4, 5, 6, 32767}}}) {
            CQuorvaneDoc* document = harness_->Open(WriteFits(harness_->Folder(), name, cards, stored));
            QVERIFY(document);
            QVERIFY2(!harness_->App().MainFrame()->MessageText().contains(name), qPrintable(name));
            QVERIFY(document->DoFileSave());
        }
        QVERIFY(asked_.isEmpty());
    }

private:
    std::unique_ptr<AppHarness> harness_;
    RoundedSavePrompt previousAsk_;
    QStringList asked_;
    bool replace_ = false;
};

QTEST_MAIN(RoundedValuesTest)
#include "tst_rounded_values.moc"

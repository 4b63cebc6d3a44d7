#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <memory>

#include "app/dialogs/image_parameters_dialog.h"
#include "app/dialogs/modifications_dialog.h"
#include "dialog_fixtures.h"
#include "image/texts.h"

namespace {

bool IsBlack(QRgb pixel) { return qRed(pixel) < 40 && qGreen(pixel) < 40 && qBlue(pixel) < 40; }

// A record with every field set to something recognisable.
std::unique_ptr<CImage> DescribedImage() {
    auto image = StarImage(12, 8, 100, {});
    image->Observer = "R. Vance";
    image->Note = "M51 through thin cloud";
    image->Date = "04/12/97";
    image->Time = "22:41:07";
    image->cameraIndex = 4;
    image->Readout_mode = 1;
    image->Exposure = 6000;
    image->Number_exposures = 4;
    image->Each_exposure = 3000;
    image->Exposure_state = 356;
    image->Temperature = -20.5;
    image->Track_time = 150;
    image->Filter = "Red";
    return image;
}

}  // namespace

class SheetsTest : public QObject {
    Q_OBJECT

private slots:
    // The sheet shows the 18 field texts of the record, in order, under their
    // labels, in the three group boxes.
    void parametersSheetShowsFieldTexts() {
        const auto image = DescribedImage();
        CImageParametersDialog dialog(nullptr, *image, "m51.qvz");
        const auto texts = ParameterFieldTexts(*image, "m51.qvz");
        for (int row = 0; row < kParameterFieldCount; ++row) {
            QLabel* field = dialog.ValueField(row);
            QVERIFY2(field != nullptr, qPrintable(QStringLiteral("field %1").arg(row)));
            QCOMPARE(field->text(), QString::fromStdString(texts[size_t(row)]));
        }
        QStringList groups;
        for (const QGroupBox* box : dialog.findChildren<QGroupBox*>()) groups << box->title();
        QCOMPARE(groups, (QStringList{"Image Parameters", "CCD Parameters", "Telescope Parameters"}));
        QVERIFY(dialog.ValueField(0)->text().startsWith(QStringLiteral("m51.qvz  (")));
        QCOMPARE(dialog.ValueField(12)->text(), QString::fromUtf8("-20.50 \u00B0C"));
        const auto* trackingBox = dialog.findChildren<QGroupBox*>().at(2);
        QCOMPARE(dialog.ValueField(17)->parentWidget(), trackingBox);
    }

    // The list holds the history's names five to a line, the title is quoted,
    // and an unmodified image says so.
    void modificationsListAndTitle() {
        const std::string history = "@LM" + std::string(37, 'h');
        CModificationsDialog dialog(nullptr, "m51.qvz", history);
        QCOMPARE(dialog.TitleText(), QStringLiteral("\"m51.qvz\":"));
        QCOMPARE(dialog.ListText(), QString::fromStdString(ModificationsListText(history)));
        QCOMPARE(dialog.ListText().split(QLatin1Char('\n')).size(), 8);

        CModificationsDialog none(nullptr, "flat.qvz", "0");
        QCOMPARE(none.ListText(), QStringLiteral("--- None ---"));
    }

    // A black one-pixel rule runs under the heading, 2 pixels in from each side.
    void ruleUnderHeading() {
        CModificationsDialog dialog(nullptr, "m51.qvz", "@LM");
        dialog.resize(420, 240);
        dialog.show();
        const QImage picture = dialog.grab().toImage();
        const int y = dialog.RuleY();
        QCOMPARE(y, int(CModificationsDialog::kRuleY));
        for (int x = 2; x <= picture.width() - 3; ++x)
            QVERIFY2(IsBlack(picture.pixel(x, y)), qPrintable(QStringLiteral("rule pixel %1").arg(x)));
        QVERIFY(!IsBlack(picture.pixel(1, y)));
        QVERIFY(!IsBlack(picture.pixel(picture.width() - 2, y)));
        QVERIFY(!IsBlack(picture.pixel(picture.width() / 2, y + 1)));
        const QLabel* title = dialog.findChild<QLabel*>(QStringLiteral("title"));
        QVERIFY2(title->geometry().bottom() < y, qPrintable(QString::number(title->geometry().bottom())));
    }
};

QTEST_MAIN(SheetsTest)
#include "sheets_test.moc"

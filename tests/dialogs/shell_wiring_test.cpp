// The dialogs as the image window uses them: readouts under the mouse, the
// box-size pick, the profile click and the two sheets opened from commands.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <memory>

#include "app/child_frame.h"
#include "app/commands.h"
#include "app/dialogs/crosshair_dialog.h"
#include "app/dialogs/image_parameters_dialog.h"
#include "app/dialogs/modifications_dialog.h"
#include "app/dialogs/profile_dialog.h"
#include "app/dialogs/shell_dialogs.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app_harness.h"
#include "image/texts.h"

namespace {

// A star of peak 9000 on a sky of 1000, centred at (52.4, 37.6).
uint16_t StarPixel(int x, int y) {
    const double dx = x - 52.4, dy = y - 37.6;
    return uint16_t(1000 + 9000 * std::exp(-(dx * dx + dy * dy) / (2 * 1.6 * 1.6)));
}

QString Field(QWidget* window, const char* name) {
    return window->findChild<QLabel*>(QString::fromLatin1(name))->text();
}

// Runs check on the modal dialog the next command opens, then closes it.
// Counts the dialogs it saw in seen.
template <typename Dialog, typename Check>
void OnNextModal(int& seen, Check check) {
    QTimer::singleShot(0, [&seen, check] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        ++seen;
        check(*dialog);
        dialog->accept();
    });
}

}  // namespace

class ShellWiringTest : public QObject {
    Q_OBJECT
    std::unique_ptr<AppHarness> harness_;
    CQuorvaneDoc* document_ = nullptr;
    CQuorvaneView* view_ = nullptr;

private slots:
    void init() {
        harness_ = std::make_unique<AppHarness>();
        InstallDialogExtensions(harness_->App().Extensions());
        document_ = harness_->Open(harness_->WriteImage(QStringLiteral("star.qv4"), 120, 80, StarPixel));
        QVERIFY(document_);
        view_ = harness_->ViewOf(*document_);
    }
    void cleanup() { harness_.reset(); }

    // Under the mouse the window shows what the measurements give at that
    // pixel with the box the list shows (11 x 11 from a fresh settings file,
    // on the first reading already); a pick changes the size the readouts use.
    void readoutsFollowTheMouse() {
        CQuorvaneApp& app = harness_->App();
        view_->OnCommand(Cmd::DisplayCrosshairs);
        QWidget* window = app.Crosshairs()->Widget();
        QVERIFY(window->isVisible());
        QCOMPARE(window->findChild<QComboBox*>(QStringLiteral("boxSize"))->currentText(), QStringLiteral("11x11"));
        QCOMPARE(app.boxSize, 11);

        const CImage& image = document_->Image();
        for (const QPoint at : {QPoint(52, 37), QPoint(0, 0), QPoint(119, 79), QPoint(30, 60)}) {
            QTest::mouseMove(view_->viewport(), view_->ImageToViewport({at.x(), at.y()}));
            const QPoint cursor = view_->Frame()->CursorPosition();
            const CrosshairTexts expected = FormatCrosshair(MeasureAtCursor(image, cursor.x(), cursor.y(), 11));
            QCOMPARE(Field(window, "position"), QString::fromStdString(expected.position));
            QCOMPARE(Field(window, "average"), QString::fromStdString(expected.average));
            QCOMPARE(Field(window, "noise"), QString::fromStdString(expected.noise));
        }

        window->findChild<QComboBox*>(QStringLiteral("boxSize"))->setCurrentIndex(2);
        QCOMPARE(app.boxSize, 7);
        QTest::mouseMove(view_->viewport(), view_->ImageToViewport({50, 36}));
        const CrosshairTexts seven = FormatCrosshair(MeasureAtCursor(image, 50, 36, 7));
        QCOMPARE(Field(window, "average"), QString::fromStdString(seven.average));
    }

    // A profile click opens the crosshair window when it is closed, and the
    // profile window plots the click's samples with the list's box size;
    // closing the profile window lets the samples go.
    void profileClickPlotsTheStar() {
        CQuorvaneApp& app = harness_->App();
        app.SetClickMode(kSelectProfiles);
        QVERIFY(!app.Crosshairs());
        const QPoint click = view_->ImageToViewport({47, 33});
        QTest::mouseMove(view_->viewport(), click);
        QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, click);

        QVERIFY(app.Crosshairs());
        QVERIFY(app.Profile());
        auto* profile = qobject_cast<CProfileDialog*>(app.Profile()->Widget());
        QVERIFY(profile && profile->isVisible());
        const QPoint cursor = view_->Frame()->CursorPosition();
        const ProfileResult expected = MeasureProfile(document_->Image(), cursor.x(), cursor.y(), 11);
        QCOMPARE(profile->Profile().samples.size(), size_t(121));
        QCOMPARE(profile->Profile().request.peakColumn, 52);
        QCOMPARE(profile->Profile().request.peakRow, 38);
        QCOMPARE(profile->Profile().extent, expected.extent);
        for (size_t i = 0; i < expected.samples.size(); ++i)
            QVERIFY2(profile->Profile().samples[i].value == expected.samples[i].value,
                     qPrintable(QStringLiteral("sample %1").arg(i)));

        QPointer<QWidget> window = profile;
        profile->close();
        QTRY_VERIFY(window.isNull());
        QVERIFY(!app.Profile());
        QVERIFY(!app.hasProfileSamples);
    }

    // The sheets open from the view's commands for this image and its title.
    void sheetsOpenFromCommands() {
        document_->Image().History = "@LM";
        int seen = 0;
        OnNextModal<CModificationsDialog>(seen, [](CModificationsDialog& dialog) {
            QCOMPARE(dialog.TitleText(), QStringLiteral("\"star.qv4\":"));
            QCOMPARE(dialog.ListText(), QString::fromStdString(ModificationsListText("@LM")));
        });
        view_->OnCommand(Cmd::DisplayModifications);

        const auto texts = ParameterFieldTexts(document_->Image(), "star.qv4");
        OnNextModal<CImageParametersDialog>(seen, [texts](CImageParametersDialog& dialog) {
            QCOMPARE(dialog.ValueField(8)->text(), QString::fromStdString(texts[8]));
            QVERIFY(dialog.ValueField(0)->text().startsWith(QStringLiteral("star.qv4")));
        });
        view_->OnCommand(Cmd::DisplayParameters);
        QCOMPARE(seen, 2);
    }
};

QTEST_MAIN(ShellWiringTest)
#include "shell_wiring_test.moc"

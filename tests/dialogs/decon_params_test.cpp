#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "app/dialogs/decon_params_dialog.h"
#include "dialog_fixtures.h"
#include "platform/messages.h"

namespace {

QComboBox* Iterations(CDeconParamsDialog& dialog) {
    return dialog.findChild<QComboBox*>(QStringLiteral("iterations"));
}

void Press(CDeconParamsDialog& dialog, QDialogButtonBox::StandardButton which) {
    QPushButton* button = dialog.findChild<QDialogButtonBox*>()->button(which);
    QTest::mouseClick(button, Qt::LeftButton);
}

void TypeIntoCombo(CDeconParamsDialog& dialog, const QString& text) {
    QLineEdit* edit = Iterations(dialog)->lineEdit();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

}  // namespace

class DeconParamsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<PrivateSettings> settings_;

private slots:
    void init() { settings_ = std::make_unique<PrivateSettings>(); }

    // First use offers 5 iterations; OK starts the worker once, before the dialog closes.
    void firstUseOffersFiveAndOkStartsWorker() {
        int started = 0;
        bool visibleWhenStarted = false;
        CDeconParamsDialog* shown = nullptr;
        CDeconParamsDialog withWorker(nullptr, [&] {
            ++started;
            visibleWhenStarted = shown->isVisible();
        });
        shown = &withWorker;
        withWorker.open();
        QCOMPARE(Iterations(withWorker)->currentText(), QStringLiteral("5"));
        Press(withWorker, QDialogButtonBox::Ok);
        QCOMPARE(started, 1);
        QVERIFY(visibleWhenStarted);
        QCOMPARE(withWorker.result(), int(QDialog::Accepted));
        QCOMPARE(withWorker.Iterations(), 5);
        QCOMPARE(Profile::GetInt("DeconParameters", "Aggressiveness", -99), 4);
    }

    // A pick followed by Cancel is still remembered, and shown at the next opening.
    void cancelledPickIsRemembered() {
        int started = 0;
        {
            CDeconParamsDialog dialog(nullptr, [&] { ++started; });
            dialog.open();
            Iterations(dialog)->setCurrentIndex(9);
            Press(dialog, QDialogButtonBox::Cancel);
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }
        QCOMPARE(started, 0);
        QCOMPARE(Profile::GetInt("DeconParameters", "Aggressiveness", -99), 9);
        CDeconParamsDialog again(nullptr, {});
        QCOMPARE(Iterations(again)->currentText(), QStringLiteral("10"));
        QCOMPARE(again.ListIndex(), 9);
    }

    // Text that names no entry is refused with a notice and the dialog stays open;
    // Cancel then stores "no choice", and the next opening shows none.
    void typedTextOutsideListIsRefused() {
        ScopedMessageCapture notices;
        int started = 0;
        {
            CDeconParamsDialog dialog(nullptr, [&] { ++started; });
            dialog.open();
            TypeIntoCombo(dialog, QStringLiteral("12"));
            Press(dialog, QDialogButtonBox::Ok);
            QVERIFY(dialog.isVisible());
            QCOMPARE(started, 0);
            QCOMPARE(notices.messages.size(), size_t(1));
            QCOMPARE(QString::fromStdString(notices.messages[0].text),
                     QStringLiteral("The number of iterations is invalid.  Make your selection from the pop-up."));
            QCOMPARE(QString::fromStdString(notices.messages[0].caption), QStringLiteral("FYI"));
            QVERIFY(notices.messages[0].icon == MessageIcon::exclamation);
            Press(dialog, QDialogButtonBox::Cancel);
        }
        QCOMPARE(Profile::GetInt("DeconParameters", "Aggressiveness", -99), -1);

        CDeconParamsDialog again(nullptr, [&] { ++started; });
        again.open();
        QCOMPARE(Iterations(again)->currentIndex(), -1);
        QCOMPARE(Iterations(again)->currentText(), QString());
        Press(again, QDialogButtonBox::Ok);
        QVERIFY(again.isVisible());
        QCOMPARE(started, 0);
        Iterations(again)->setCurrentIndex(2);
        Press(again, QDialogButtonBox::Ok);
        QCOMPARE(started, 1);
        QCOMPARE(again.Iterations(), 3);
    }

    // Typing exactly an entry's text is as good as picking it.
    void typedEntryCounts() {
        int started = 0;
        CDeconParamsDialog dialog(nullptr, [&] { ++started; });
        dialog.open();
        TypeIntoCombo(dialog, QStringLiteral("7"));
        Press(dialog, QDialogButtonBox::Ok);
        QCOMPARE(started, 1);
        QCOMPARE(dialog.Iterations(), 7);
    }

    // "Protect stars and sky" starts off, is final when OK starts the worker, and is remembered beside the count.
    void protectChoiceIsOffFirstAndRemembered() {
        bool protectWhenStarted = false;
        {
            CDeconParamsDialog* shown = nullptr;
            CDeconParamsDialog dialog(nullptr, [&] { protectWhenStarted = shown->Protect(); });
            shown = &dialog;
            dialog.open();
            QCheckBox* box = dialog.findChild<QCheckBox*>(QStringLiteral("protect"));
            QVERIFY(box);
            QCOMPARE(box->text(), QStringLiteral("Protect stars and sky"));
            QVERIFY(!box->isChecked());
            QVERIFY(!dialog.Protect());
            box->click();
            Press(dialog, QDialogButtonBox::Ok);
        }
        QVERIFY(protectWhenStarted);
        QCOMPARE(Profile::GetInt("DeconParameters", "Protect", -99), 1);
        CDeconParamsDialog again(nullptr, {});
        QVERIFY(again.Protect());
        QVERIFY(again.findChild<QCheckBox*>(QStringLiteral("protect"))->isChecked());
    }

    // A damaged stored value opens with no choice rather than an out-of-range count.
    void damagedSettingOpensWithoutChoice() {
        Profile::WriteInt("DeconParameters", "Aggressiveness", 37);
        ScopedMessageCapture notices;
        int started = 0;
        CDeconParamsDialog dialog(nullptr, [&] { ++started; });
        dialog.open();
        QCOMPARE(Iterations(dialog)->currentIndex(), -1);
        Press(dialog, QDialogButtonBox::Ok);
        QCOMPARE(started, 0);
        QCOMPARE(notices.messages.size(), size_t(1));
    }
};

QTEST_MAIN(DeconParamsTest)
#include "decon_params_test.moc"

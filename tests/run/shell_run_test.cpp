// A deconvolution run from the image window itself: the commands, the
// status bar, the document, the close refusal; and the print commands.
#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>
#include <QtPrintSupport/QPrintPreviewWidget>

#include "app/commands.h"
#include "app/dialogs/decon_params_dialog.h"
#include "app/main_frame.h"
#include "app/print/shell_print.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app/run/run_texts.h"
#include "app/run/shell_run.h"
#include "app_harness.h"
#include "run_fixtures.h"

namespace {

void PressOkWhenShown() {
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<CDeconParamsDialog*>(QApplication::activeModalWidget()))
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
}

}  // namespace

class ShellRunTest : public QObject {
    Q_OBJECT
    std::unique_ptr<AppHarness> harness_;
    CQuorvaneDoc* document_ = nullptr;
    CQuorvaneView* view_ = nullptr;
    std::vector<RunStar> bright_;

private slots:
    void init() {
        harness_ = std::make_unique<AppHarness>();
        InstallRunExtensions(harness_->App().Extensions());
        InstallPrintExtensions(harness_->App().Extensions());
        CImage field;
        bright_ = FillStarField(field, 160, 120);
        const QString path = harness_->WriteImage(QStringLiteral("field.qv4"), 160, 120,
                                                  [&field](int x, int y) { return field.At(x, y); });
        document_ = harness_->Open(path);
        QVERIFY(document_);
        view_ = harness_->ViewOf(*document_);
    }
    void cleanup() { harness_.reset(); }

    // Start L-R from the window with three stars: unavailable before the
    // stars and during the run, the window refuses to close meanwhile, and
    // the run ends complete with the document modified and history 40.
    void runFromTheWindow() {
        CQuorvaneApp& app = harness_->App();
        QVERIFY(!view_->QueryCommand(Cmd::StartLR).enabled);
        for (int i = 0; i < 3; ++i) document_->AddStar({bright_[size_t(i)].x, bright_[size_t(i)].y});
        QVERIFY(view_->QueryCommand(Cmd::StartLR).enabled);
        const std::string historyBefore = document_->Image().History;

        PressOkWhenShown();
        view_->OnCommand(Cmd::StartLR);
        QVERIFY(app.IsBusy());
        QVERIFY(!view_->QueryCommand(Cmd::StartLR).enabled);
        QVERIFY(view_->QueryCommand(Cmd::AbortLR).enabled);
        QVERIFY(!document_->CanCloseFrame());
        QVERIFY(!harness_->messages.empty());
        QCOMPARE(harness_->messages.back().caption, std::string("FYI"));

        QTRY_VERIFY_WITH_TIMEOUT(!app.IsBusy(), 60000);
        QCOMPARE(app.MainFrame()->MessageText(), QLatin1String(kTextRunComplete));
        QVERIFY(document_->IsModified());
        QCOMPARE(document_->Image().History, historyBefore + char('@' + kHistoryDeconvolve));
        QVERIFY(view_->QueryCommand(Cmd::StartLR).enabled);
    }

    // Abort L-R straight after the start: the run ends aborted with the image untouched.
    void abortFromTheWindow() {
        CQuorvaneApp& app = harness_->App();
        document_->AddStar({bright_[0].x, bright_[0].y});
        const std::vector<uint16_t> before = document_->Image().pixels;
        PressOkWhenShown();
        view_->OnCommand(Cmd::StartLR);
        QVERIFY(app.IsBusy());
        view_->OnCommand(Cmd::AbortLR);
        QTRY_VERIFY_WITH_TIMEOUT(!app.IsBusy(), 60000);
        QCOMPARE(app.MainFrame()->MessageText(), QLatin1String(kTextRunAborted));
        QVERIFY(!document_->IsModified());
        QVERIFY(document_->Image().pixels == before);
    }

    // Print Preview from the window shows the one page.
    void printPreviewFromTheWindow() {
        QVERIFY(view_->QueryCommand(Cmd::FilePrint).enabled);
        int pages = -1;
        QTimer::singleShot(0, [&pages] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* preview = modal ? modal->findChild<QPrintPreviewWidget*>() : nullptr) {
                preview->updatePreview();
                pages = preview->pageCount();
            }
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        });
        view_->OnCommand(Cmd::FilePrintPreview);
        QCOMPARE(pages, 1);
    }
};

QTEST_MAIN(ShellRunTest)
#include "shell_run_test.moc"

// Pictures of the whole flow as a person goes through it, for the
// documentation: the bundled sample opened and three stars picked with the
// mouse, the iteration dialog, the run half way and complete, a detail at
// 4:1 before and after, and the saved copy reopened with its history.
// Drives the real main window, run and dialogs; works offscreen.
//
//   quorvane-flow-pictures <sample.qv4> <output folder>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>

#include "app/contrast_bar.h"
#include "app/dialogs/decon_params_dialog.h"
#include "app/dialogs/modifications_dialog.h"
#include "app/main_frame.h"
#include "app/prompts.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app/run/run_texts.h"
#include "tools/pictures/picture_session.h"
#include "tools/pictures/window_picture.h"

namespace {

// Bright, unsaturated stars of the bundled sample with no other star of
// note in their search window.
const QPoint kPsfStars[] = {{514, 239}, {574, 210}, {701, 261}};
// The dialog's own default: two iterations barely narrow the stars, five
// narrow them by about a quarter.
constexpr int kIterations = 5;
// Stars from faint to bright, away from the picked ones, shown at 4:1.
const QRect kDetail(572, 272, 110, 80);
constexpr int32_t kZoomFourToOne = 4;

constexpr int kStepTimeoutMs = 10000;
constexpr int kRunTimeoutMs = 300000;

bool Fail(const char* step) {
    std::fprintf(stderr, "quorvane-flow-pictures: %s\n", step);
    return false;
}

// Runs the action on the next modal dialog as soon as it is up and laid out.
void WhenModalShows(std::function<void(QDialog&)> action) {
    QTimer::singleShot(50, [action = std::move(action)]() mutable {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) {
            WhenModalShows(std::move(action));
            return;
        }
        QTest::qWait(100);
        action(*dialog);
    });
}

// A dialog over the middle of the image window, clear of the contrast bar.
void PlaceOver(QDialog& dialog, const QWidget& image) {
    dialog.move(image.mapToGlobal(image.rect().center()) - dialog.rect().center());
    QTest::qWait(50);
}

// Two crops side by side under their captions.
QImage SideBySide(const QImage& left, const QString& leftCaption, const QImage& right, const QString& rightCaption) {
    constexpr int kGap = 12, kCaption = 24;
    QImage joined(left.width() + right.width() + 3 * kGap, std::max(left.height(), right.height()) + kCaption + kGap,
                  QImage::Format_ARGB32);
    joined.fill(QColor(239, 239, 239));
    QPainter painter(&joined);
    painter.setPen(Qt::black);
    painter.drawText(QRect(kGap, 0, left.width(), kCaption), Qt::AlignCenter, leftCaption);
    painter.drawText(QRect(2 * kGap + left.width(), 0, right.width(), kCaption), Qt::AlignCenter, rightCaption);
    painter.drawImage(kGap, kCaption, left);
    painter.drawImage(2 * kGap + left.width(), kCaption, right);
    return joined;
}

class Flow {
public:
    Flow(CQuorvaneApp& app, const QDir& output) : app_(app), frame_(*app.MainFrame()), output_(output) {}

    bool Run(const QString& sample) {
        return Open(sample) && LookCloser() && PickStars() && StartRun() && WatchRun() && Compare() &&
               SaveCloseReopen() && ShowHistory();
    }

private:
    // File Open, the file chosen in its dialog.
    bool Open(const QString& path) {
        UserPrompts().openFile = [path](QWidget*, const QString&, int) { return OpenFileChoice{path, 1}; };
        frame_.OnCommand(Cmd::FileOpen);
        document_ = app_.FindDocument(path);
        view_ = document_ ? frame_.ViewOf(*document_) : nullptr;
        if (!view_) return Fail(qPrintable(QStringLiteral("cannot open ") + path));
        if (CContrastBar* bar = app_.ContrastBar()) bar->move(frame_.width() - bar->width() - 24, 150);
        QTest::qWait(200);
        opened_ = document_->Image().display;
        return opened_.zoom == kZoomOneToOne || Fail("the image does not open at 1:1");
    }

    bool LookCloser() {
        before_ = Detail();
        return !before_.isNull() || Fail("no picture of the detail before the run");
    }

    bool PickStars() {
        QAction* selectPsfs = frame_.ToolbarAction(Cmd::SelectPsfs);
        if (!selectPsfs) return Fail("no Select PSFs button on the toolbar");
        selectPsfs->trigger();
        for (QPoint star : kPsfStars)
            QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, view_->ImageToViewport(star));
        if (document_->Stars().size() != std::size(kPsfStars)) return Fail("the star clicks did not all pick a star");
        return Save("flow-1-stars.png", Window());
    }

    // Start L-R, the count chosen in its dialog and OK pressed as a person would.
    bool StartRun() {
        bool pictured = false;
        WhenModalShows([this, &pictured](QDialog& dialog) {
            if (auto* count = dialog.findChild<QComboBox*>()) count->setCurrentIndex(kIterations - 1);
            PlaceOver(dialog, *view_);
            pictured = Save("flow-2-iterations.png", MainWindowPicture(frame_, {app_.ContrastBar(), &dialog}));
            dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
        frame_.OnCommand(Cmd::StartLR);
        if (!app_.IsBusy()) return Fail("Start L-R did not start a run");
        return pictured;
    }

    // The first redisplay marks the image modified while the run goes on.
    bool WatchRun() {
        if (!QTest::qWaitFor([this] { return document_->IsModified() || !app_.IsBusy(); }, kRunTimeoutMs))
            return Fail("the run showed nothing in time");
        if (!app_.IsBusy()) return Fail("the run ended before its first redisplay");
        QTest::qWait(50);
        if (!Save("flow-3-running.png", Window())) return false;
        if (!QTest::qWaitFor([this] { return !app_.IsBusy(); }, kRunTimeoutMs)) return Fail("the run did not end");
        QTest::qWait(100);
        if (frame_.MessageText() != QLatin1String(kTextRunComplete)) return Fail("the run did not complete");
        return Save("flow-4-complete.png", Window());
    }

    bool Compare() {
        const QImage after = Detail();
        if (after.isNull()) return Fail("no picture of the detail after the run");
        return Save("flow-5-detail.png",
                    SideBySide(before_, QStringLiteral("Before"), after,
                               QStringLiteral("After %1 iterations").arg(kIterations)));
    }

    bool SaveCloseReopen() {
        const QString copy = QDir(folder_.path()).filePath(QStringLiteral("starfield-sharpened.qv4"));
        UserPrompts().saveFileName = [copy](QWidget*, const QString&, int) { return SaveAsChoice{copy, 3}; };
        frame_.OnCommand(Cmd::FileSaveAs);
        if (!QFileInfo::exists(copy) || document_->IsModified()) return Fail("Save As did not write the copy");
        frame_.OnCommand(Cmd::FileClose);
        if (!QTest::qWaitFor([this] { return app_.Documents().empty(); }, kStepTimeoutMs))
            return Fail("the image window did not close");
        return Open(copy);
    }

    bool ShowHistory() {
        bool pictured = false;
        WhenModalShows([this, &pictured](QDialog& dialog) {
            auto* list = qobject_cast<CModificationsDialog*>(&dialog);
            if (!list || !list->ListText().contains(QStringLiteral("Deconvolve")))
                Fail("the reopened copy's history has no Deconvolve");
            else {
                PlaceOver(dialog, *view_);
                pictured = Save("flow-6-reopened.png", MainWindowPicture(frame_, {app_.ContrastBar(), &dialog}));
            }
            dialog.reject();
        });
        frame_.OnCommand(Cmd::DisplayModifications);
        return pictured;
    }

    // The detail at 4:1 through the contrast bar's Mag, then back to 1:1.
    QImage Detail() {
        CContrastBar* bar = app_.ContrastBar();
        if (!bar) return {};
        DisplaySettings detail = opened_;
        detail.zoom = kZoomFourToOne;
        if (!ApplyThroughBar(*bar, detail)) return {};
        view_->horizontalScrollBar()->setValue(kDetail.left() * kZoomFourToOne);
        view_->verticalScrollBar()->setValue(kDetail.top() * kZoomFourToOne);
        QTest::qWait(100);
        const QRect shown(view_->ImageToViewport(kDetail.topLeft()), kDetail.size() * kZoomFourToOne);
        QImage picture;
        if (view_->viewport()->rect().contains(shown)) picture = view_->viewport()->grab(shown).toImage();
        return ApplyThroughBar(*bar, opened_) ? picture : QImage();
    }

    bool ApplyThroughBar(CContrastBar& bar, const DisplaySettings& settings) {
        bar.LoadSettings(settings);
        bar.OnApply();
        const bool applied =
            QTest::qWaitFor([this, &settings] { return document_->Image().display == settings; }, kStepTimeoutMs);
        QTest::qWait(100);
        return applied || Fail("the contrast bar's Apply did not reach the image");
    }

    QImage Window() { return MainWindowPicture(frame_, {app_.ContrastBar()}); }

    bool Save(const char* name, const QImage& picture) {
        const QString path = output_.filePath(QString::fromLatin1(name));
        if (!picture.save(path)) return Fail(qPrintable(QStringLiteral("cannot write ") + path));
        std::printf("%s\n", qPrintable(path));
        return true;
    }

    CQuorvaneApp& app_;
    CMainFrame& frame_;
    QDir output_;
    QTemporaryDir folder_;
    CQuorvaneView* view_ = nullptr;
    CQuorvaneDoc* document_ = nullptr;
    DisplaySettings opened_;
    QImage before_;
};

}  // namespace

int main(int argc, char** argv) {
    return RunPictureSession(argc, argv, "quorvane-flow-pictures", [](CQuorvaneApp& app, const QDir& output, const QString& sample) {
        return Flow(app, output).Run(sample);
    });
}

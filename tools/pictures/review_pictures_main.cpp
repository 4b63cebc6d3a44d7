// Writes the pictures of looking back at a run from the real window,
// offscreen: a rejected pick with its reason, the PSF window, the split
// compare at 4:1 and the iteration chooser after a run. Checks each step
// and exits 1 naming the one that failed.
//
//   quorvane-review-pictures <sample.qv4> <folder>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "app/contrast_bar.h"
#include "app/iteration_review.h"
#include "app/main_frame.h"
#include "app/prompts.h"
#include "app/psf_window.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app/review_bar.h"
#include "tools/pictures/picture_session.h"
#include "tools/pictures/window_picture.h"

namespace {

// The flow's stars, and points of the sample's sky with no star under them.
const QPoint kPsfStars[] = {{514, 239}, {574, 210}, {701, 261}};
const QPoint kSkyPicks[] = {{620, 120}, {660, 330}, {450, 300}, {300, 400}};
constexpr int kIterations = 3;
// Faint and bright stars at 4:1, as in the flow's detail.
const QRect kDetail(572, 272, 110, 80);
constexpr int32_t kZoomFourToOne = 4;
constexpr int kRunTimeoutMs = 300000;

bool Fail(const char* step) {
    std::fprintf(stderr, "quorvane-review-pictures: %s\n", step);
    return false;
}

void WhenModalShows(std::function<void(QDialog&)> action) {
    QTimer::singleShot(50, [action = std::move(action)]() mutable {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) {
            WhenModalShows(std::move(action));
            return;
        }
        action(*dialog);
    });
}

// A picture over a caption line.
QImage Captioned(const QImage& picture, const QString& caption) {
    constexpr int kCaption = 24;
    QImage joined(picture.width(), picture.height() + kCaption, QImage::Format_ARGB32);
    joined.fill(QColor(239, 239, 239));
    QPainter painter(&joined);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, picture.width(), kCaption), Qt::AlignCenter, caption);
    painter.drawImage(0, kCaption, picture);
    return joined;
}

// A part of the image window over the whole status bar beneath it.
QImage OverStatusBar(CMainFrame& frame, const QImage& part) {
    const QImage bar = frame.statusBar()->grab().toImage();
    QImage joined(std::max(part.width(), bar.width()), part.height() + bar.height(), QImage::Format_ARGB32);
    joined.fill(QColor(239, 239, 239));
    QPainter painter(&joined);
    painter.drawImage(0, 0, part);
    painter.drawImage(0, part.height(), bar);
    return joined;
}

class Review {
public:
    Review(CQuorvaneApp& app, const QDir& output) : app_(app), frame_(*app.MainFrame()), output_(output) {}

    bool Run(const QString& sample) {
        return Open(sample) && Pick() && Psf() && StartRun() && Split() && Choose();
    }

private:
    bool Open(const QString& path) {
        UserPrompts().openFile = [path](QWidget*, const QString&, int) { return OpenFileChoice{path, 1}; };
        frame_.OnCommand(Cmd::FileOpen);
        document_ = app_.FindDocument(path);
        view_ = document_ ? frame_.ViewOf(*document_) : nullptr;
        if (!view_) return Fail("cannot open the sample");
        if (CContrastBar* bar = app_.ContrastBar()) bar->hide();
        QTest::qWait(200);
        return true;
    }

    // Three good stars, then a click on empty sky: marked amber, the reason on the status bar.
    bool Pick() {
        app_.SetClickMode(kSelectPsfs);
        for (QPoint star : kPsfStars)
            QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, view_->ImageToViewport(star));
        for (QPoint sky : kSkyPicks) {
            QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, view_->ImageToViewport(sky));
            const StarPoint pick{sky.x(), sky.y()};
            if (view_->Checks().Of(pick) != StarCheck::ok) {
                QTest::qWait(100);
                const QRect around(view_->ImageToViewport(sky) - QPoint(260, 160), QSize(420, 240));
                const QImage part = view_->viewport()->grab(around & view_->viewport()->rect()).toImage();
                return Save("rejected-pick.png", OverStatusBar(frame_, part));
            }
            // A pick that passed is taken back with a second click.
            QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, view_->ImageToViewport(sky));
        }
        return Fail("no sky pick was rejected");
    }

    bool Psf() {
        PsfWindow* window = ShowPsfWindow(*view_);
        QTest::qWait(100);
        if (window->Preview().starsUsed < 3) return Fail("the PSF window does not use the three stars");
        const bool saved = Save("psf-window.png", WithTitleBar(window->grab().toImage(), window->windowTitle()));
        window->close();
        return saved;
    }

    bool StartRun() {
        // The sky pick goes again, so the run uses the good stars only.
        frame_.OnCommand(Cmd::CleanImage);
        for (QPoint star : kPsfStars)
            QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, view_->ImageToViewport(star));
        WhenModalShows([](QDialog& dialog) {
            if (auto* count = dialog.findChild<QComboBox*>()) count->setCurrentIndex(kIterations - 1);
            dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
        frame_.OnCommand(Cmd::StartLR);
        if (!QTest::qWaitFor([this] { return !app_.IsBusy(); }, kRunTimeoutMs)) return Fail("the run did not end");
        QTest::qWait(100);
        return view_->Iterations().Choosing() || Fail("no iterations to choose from after the run");
    }

    // Before | after at 4:1, the divider in the middle of the detail.
    bool Split() {
        DisplaySettings detail = document_->Image().display;
        const DisplaySettings opened = detail;
        detail.zoom = kZoomFourToOne;
        view_->ApplyDisplaySettings(detail);
        view_->horizontalScrollBar()->setValue(kDetail.left() * kZoomFourToOne);
        view_->verticalScrollBar()->setValue(kDetail.top() * kZoomFourToOne);
        frame_.OnCommand(Cmd::ViewCompareSplit);
        if (!view_->ComparingSplit()) return Fail("the split compare did not start");
        const QRect shown(view_->ImageToViewport(kDetail.topLeft()), kDetail.size() * kZoomFourToOne);
        view_->SetSplitDivider(shown.center().x());
        QTest::qWait(100);
        const QImage part = view_->viewport()->grab(shown & view_->viewport()->rect()).toImage();
        const bool saved = Save("compare-split.png",
                                Captioned(part, QStringLiteral("Before  |  after %1 iterations").arg(kIterations)));
        frame_.OnCommand(Cmd::ViewCompareSplit);
        view_->ApplyDisplaySettings(opened);
        return saved;
    }

    // Iteration 2 of 3 chosen on the status bar's slider.
    bool Choose() {
        ReviewBar* bar = frame_.RunReviewBar();
        bar->Slider()->setValue(2);
        if (view_->Iterations().Shown() != 2) return Fail("the slider did not show iteration 2");
        QTest::qWait(100);
        // The lower part of the window: the image over the status bar.
        const QImage window = MainWindowPicture(frame_, {});
        constexpr int kLower = 260;
        return Save("iteration-slider.png", window.copy(0, window.height() - kLower, window.width(), kLower));
    }

    bool Save(const char* name, const QImage& picture) {
        const QString path = output_.filePath(QString::fromLatin1(name));
        if (picture.isNull() || !picture.save(path)) return Fail(qPrintable(QStringLiteral("cannot write ") + path));
        std::printf("%s\n", qPrintable(path));
        return true;
    }

    CQuorvaneApp& app_;
    CMainFrame& frame_;
    QDir output_;
    CQuorvaneView* view_ = nullptr;
    CQuorvaneDoc* document_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
    return RunPictureSession(argc, argv, "quorvane-review-pictures", [](CQuorvaneApp& app, const QDir& output, const QString& sample) {
        return Review(app, output).Run(sample);
    });
}

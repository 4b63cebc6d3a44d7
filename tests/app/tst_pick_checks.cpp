// Picks checked with the engine's rules as they are made: marked and explained.
#include <QTest>
#include <cmath>

#include "app/commands.h"
#include "app/main_frame.h"
#include "app/psf_window.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app_harness.h"

namespace {

// Sky of 500 with noise of a few counts, a good star at (100, 60), a
// saturated one at (200, 60) and one at (3, 100), too near the left edge.
uint16_t Field(int x, int y) {
    const uint32_t h = (uint32_t(x) * 73856093u) ^ (uint32_t(y) * 19349663u);
    double v = 500 + double((h >> 7) % 21) - 10;
    const double stars[3][3] = {{100, 60, 8000}, {200, 60, 90000}, {3, 100, 8000}};
    for (const auto& s : stars) v += s[2] * std::exp(-((x - s[0]) * (x - s[0]) + (y - s[1]) * (y - s[1])) / 4.0);
    return uint16_t(std::min(v, 65535.0));
}

}  // namespace

class PickChecksTest : public QObject {
    Q_OBJECT
private slots:
    void init() { harness_ = std::make_unique<AppHarness>(); }
    void cleanup() { harness_.reset(); }

    // A good star says nothing; sky, a saturated star and a star at the
    // edge are each kept as picks, marked, and the status bar says why.
    void eachPickIsCheckedAndExplained() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("p.qv4"), 300, 200, Field));
        QVERIFY(document);
        CQuorvaneView* view = harness_->ViewOf(*document);
        CMainFrame* frame = harness_->App().MainFrame();
        harness_->App().SetClickMode(kSelectPsfs);
        frame->SetMessageText(QStringLiteral("Ready"));
        auto pick = [&](int x, int y) {
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->ImageToViewport({x, y}));
            return view->Checks().Of({x, y});
        };
        QCOMPARE(pick(101, 59), StarCheck::ok);
        QCOMPARE(frame->MessageText(), QStringLiteral("Ready"));
        QCOMPARE(pick(150, 150), StarCheck::blankSky);
        QCOMPARE(frame->MessageText(), QStringLiteral("PSF star at 150, 150: ") + StarCheckText(StarCheck::blankSky));
        QCOMPARE(pick(200, 60), StarCheck::saturated);
        QVERIFY(frame->MessageText().contains(QStringLiteral("saturated")));
        QCOMPARE(pick(4, 100), StarCheck::nearEdge);
        QVERIFY(frame->MessageText().contains(QStringLiteral("edge")));
        QCOMPARE(document->Stars().size(), size_t(4));
        QVERIFY(!document->IsModified());
    }

    // The Display menu's PSF window measures the picks with the engine's
    // code and follows new picks.
    void psfWindowFollowsThePicks() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("q.qv4"), 300, 200, Field));
        CQuorvaneView* view = harness_->ViewOf(*document);
        CMainFrame* frame = harness_->App().MainFrame();
        harness_->App().SetClickMode(kSelectPsfs);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->ImageToViewport({101, 59}));
        QVERIFY(frame->QueryCommand(Cmd::DisplayPsf).enabled);
        frame->OnCommand(Cmd::DisplayPsf);
        auto* window = frame->findChild<PsfWindow*>();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->Preview().starsUsed, 1);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->ImageToViewport({4, 100}));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->ImageToViewport({199, 61}));
        const CImage& image = document->Image();
        const PsfPreview expected =
            PreviewPsf(image.pixels.data(), image.Width, image.Height, {{101, 59}, {4, 100}, {199, 61}});
        QCOMPARE(window->Preview().starsUsed, 2);
        QCOMPARE(window->Picks(), 3);
        QVERIFY(std::equal(&expected.psf[0][0], &expected.psf[0][0] + kPsfTerms, &window->Preview().psf[0][0]));
        QVERIFY(window->Preview().fwhmX > 1.0 && window->Preview().fwhmX < 6.0);
        QVERIFY2(window->SummaryText().endsWith(QStringLiteral("2 of 3 stars used.")), qPrintable(window->SummaryText()));
        frame->OnCommand(Cmd::DisplayPsf);
        QCOMPARE(frame->findChildren<PsfWindow*>().size(), 1);
    }

private:
    std::unique_ptr<AppHarness> harness_;
};

QTEST_MAIN(PickChecksTest)
#include "tst_pick_checks.moc"

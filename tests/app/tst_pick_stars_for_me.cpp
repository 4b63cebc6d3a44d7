// "Pick Stars for Me": the engine's automatic picks added to the image's
// star list, marked, explained on the status bar, and undone as one step.
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <cmath>

#include "app/commands.h"
#include "app/main_frame.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app_harness.h"

namespace {

struct FieldStar {
    double x, y, peak;
};

// Sky of 500 with noise of ten counts. Six good stars, brightest first;
// then a saturated star, one at the left edge, a blended pair and a hot pixel.
const FieldStar kStars[] = {
    {60, 50, 9000},  {200, 50, 7000},  {130, 110, 6000}, {60, 150, 5000}, {240, 150, 4000}, {150, 35, 3000},
    {250, 95, 90000}, {5, 100, 8000},  {100, 170, 7000}, {106, 172, 5000},
};

uint16_t Field(int x, int y) {
    if (x == 270 && y == 60) return 9000;
    const uint32_t h = (uint32_t(x) * 73856093u) ^ (uint32_t(y) * 19349663u);
    double v = 500 + double((h >> 7) % 21) - 10;
    for (const FieldStar& s : kStars) v += s.peak * std::exp(-((x - s.x) * (x - s.x) + (y - s.y) * (y - s.y)) / 4.5);
    return uint16_t(std::min(v, 65535.0));
}

uint16_t Sky(int x, int y) {
    const uint32_t h = (uint32_t(x) * 73856093u) ^ (uint32_t(y) * 19349663u);
    return uint16_t(500 + (h >> 7) % 21);
}

QAction* FindAction(const QList<QAction*>& actions, int id) {
    for (QAction* action : actions)
        if (action->data().toInt() == id) return action;
    return nullptr;
}

std::vector<StarPoint> GoodStars(int first, int count) {
    std::vector<StarPoint> stars;
    for (int i = first; i < first + count; ++i) stars.push_back({int(kStars[i].x), int(kStars[i].y)});
    return stars;
}

}  // namespace

class PickStarsForMeTest : public QObject {
    Q_OBJECT
private slots:
    void init() { harness_ = std::make_unique<AppHarness>(); }
    void cleanup() { harness_.reset(); }

    // The command sits in the Edit menu, picks the
    // five best stars, marks them in the good-pick colour and says why the others were turned down.
    void picksMarksAndExplains() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("f.qv4"), 300, 200, Field));
        QVERIFY(document);
        CQuorvaneView* view = harness_->ViewOf(*document);
        CMainFrame* frame = harness_->App().MainFrame();
        QMenu* edit = nullptr;
        for (QAction* top : frame->menuBar()->actions())
            if (top->text() == QStringLiteral("&Edit")) edit = top->menu();
        QVERIFY(edit);
        QAction* entry = FindAction(edit->actions(), Cmd::PickStarsForMe);
        QVERIFY(entry);
        QCOMPARE(entry->text(), QStringLiteral("Pic&k Stars for Me"));
        QVERIFY(frame->QueryCommand(Cmd::PickStarsForMe).enabled);

        // Chosen from the menu as a person does: the prompt shown while hovering
        // must not wipe the report when the menu closes.
        frame->menuBar()->setActiveAction(edit->menuAction());
        QVERIFY(QTest::qWaitForWindowExposed(edit));
        for (int i = 0; i < 10 && edit->activeAction() != entry; ++i) QTest::keyClick(edit, Qt::Key_Down);
        QCOMPARE(edit->activeAction(), entry);
        QCOMPARE(frame->statusBar()->currentMessage(), CommandPrompt(Cmd::PickStarsForMe));
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::qWait(20);
        QVERIFY(document->Stars() == GoodStars(0, 5));
        const QString message = frame->MessageText();
        QVERIFY2(message.startsWith(QStringLiteral("Picked 5 stars; turned down ")), qPrintable(message));
        for (const char* reason : {"saturated", "too close to the image edge", "not isolated", "too sharp for a star"})
            QVERIFY2(message.contains(QLatin1String(reason)), qPrintable(message));
        QVERIFY(!document->IsModified());

        view->viewport()->repaint();
        const QImage shown = view->viewport()->grab().toImage();
        for (const StarPoint& star : document->Stars()) {
            QCOMPARE(view->Checks().Of(star), StarCheck::ok);
            const QPoint arm = view->ImageToViewport({star.x, star.y}) + QPoint(4, 0);
            QCOMPARE(shown.pixelColor(arm), QColor(255, 0, 0));
        }
    }

    // The user's own picks stay and a star is never picked twice; given
    // again, the command adds the next best; Undo takes one batch back.
    void keepsHandPicksAndUndoesAsOneStep() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("g.qv4"), 300, 200, Field));
        CQuorvaneView* view = harness_->ViewOf(*document);
        CMainFrame* frame = harness_->App().MainFrame();
        harness_->App().SetClickMode(kSelectPsfs);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->ImageToViewport({61, 49}));
        QCOMPARE(document->Stars().size(), size_t(1));

        frame->OnCommand(Cmd::PickStarsForMe);
        std::vector<StarPoint> expected = {{61, 49}};
        for (const StarPoint& s : GoodStars(1, 5)) expected.push_back(s);
        QVERIFY(document->Stars() == expected);
        QVERIFY2(frame->MessageText().startsWith(QStringLiteral("Picked 5 stars (6 in all); ")),
                 qPrintable(frame->MessageText()));

        frame->OnCommand(Cmd::PickStarsForMe);
        QCOMPARE(document->Stars().size(), size_t(6));
        QVERIFY2(frame->MessageText().startsWith(QStringLiteral("No more stars to pick; ")),
                 qPrintable(frame->MessageText()));

        QVERIFY(frame->QueryCommand(Cmd::EditUndo).enabled);
        frame->OnCommand(Cmd::EditUndo);
        QVERIFY(document->Stars() == std::vector<StarPoint>({{61, 49}}));
        frame->OnCommand(Cmd::EditRedo);
        QVERIFY(document->Stars() == expected);
    }

    // On blank sky nothing is picked, nothing is recorded for Undo, and the status bar says so.
    void blankSkyPicksNothing() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("s.qv4"), 200, 150, Sky));
        CMainFrame* frame = harness_->App().MainFrame();
        frame->OnCommand(Cmd::PickStarsForMe);
        QVERIFY(document->Stars().empty());
        QVERIFY(!frame->QueryCommand(Cmd::EditUndo).enabled);
        QVERIFY2(frame->MessageText().startsWith(QStringLiteral("No star to pick")), qPrintable(frame->MessageText()));
    }

private:
    std::unique_ptr<AppHarness> harness_;
};

QTEST_MAIN(PickStarsForMeTest)
#include "tst_pick_stars_for_me.moc"

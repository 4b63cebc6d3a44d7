#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "app/dialogs/decon_params_dialog.h"
#include "app/run/run_texts.h"
#include "platform/qt/profile.h"
#include "run_fixtures.h"

using DC = DeconCommand;

namespace {

// Presses a button of the modal dialog once it is up.
void PressWhenShown(QDialogButtonBox::StandardButton which) {
    QTimer::singleShot(0, [which] {
        auto* dialog = qobject_cast<CDeconParamsDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        dialog->findChild<QDialogButtonBox*>()->button(which)->click();
    });
}

int IndexOf(const QStringList& texts, const QString& wanted, int from) {
    for (int i = from; i < texts.size(); ++i)
        if (texts[i].startsWith(wanted)) return i;
    return -1;
}

}  // namespace

class RunSequenceTest : public QObject {
    Q_OBJECT
    QTemporaryDir settingsFolder_;

private slots:
    void initTestCase() { Profile::UseFolder(settingsFolder_.path()); }

    // A whole run at the program's own timing: the command order, the
    // status texts in order, the closing message, history 40 and the
    // modified document.
    void threeStarsNoSelection() {
        bool busy = false;
        FakeRunHost host(busy);
        const std::vector<RunStar> bright = FillStarField(host.image, 160, 120);
        QVERIFY(bright.size() >= 3);
        host.stars.assign(bright.begin(), bright.begin() + 3);
        const std::vector<uint16_t> before = host.image.pixels;
        const std::string historyBefore = host.image.History;

        DeconMailbox mailbox;
        PostLog log;
        DeconRunDriver::Options options;
        options.onPost = [&log](const PostedCommand& post) { log.posts.push_back(post); };
        DeconRunDriver driver(host, mailbox, options);
        QVERIFY(driver.StartWithIterations(2));
        QVERIFY(busy);
        WAIT_FOR_RUN_END(driver);

        const std::vector<DC> expected{DC::Init,         DC::SetImage, DC::AddStar, DC::AddStar, DC::AddStar,
                                       DC::SetSelection, DC::Start,    DC::ReturnImage, DC::Free};
        QVERIFY2(log.Commands() == expected, qPrintable(CommandNames(log.Commands())));
        QCOMPARE(log.posts[0].a, 160);
        QCOMPARE(log.posts[0].b, 120);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(log.posts[size_t(2 + i)].a, host.stars[size_t(i)].x);
            QCOMPARE(log.posts[size_t(2 + i)].b, host.stars[size_t(i)].y);
        }
        QCOMPARE(log.posts[5].rect, (DeconRect{10, 10, 110, 150}));
        QCOMPARE(log.posts[6].a, 2);

        int at = 0;
        for (const char* text : {"Allocating arrays...", "Receiving image data...", "Receiving PSF points...",
                                 "Receiving selection rectangle...", "Deconvolved "}) {
            at = IndexOf(host.statuses, QLatin1String(text), at);
            QVERIFY2(at >= 0, qPrintable(QStringLiteral("\"%1\" missing or out of order in: %2")
                                             .arg(text, host.statuses.join(QStringLiteral(" | ")))));
        }
        QCOMPARE(host.statuses.last(), QLatin1String(kTextRunComplete));

        QVERIFY(!busy);
        QVERIFY(host.modified);
        QVERIFY(host.invalidations >= 1);
        QVERIFY(host.applies >= 1);
        // A history of "0" (nothing done yet) counts as empty.
        QCOMPARE(host.image.History, (historyBefore == "0" ? std::string() : historyBefore) + char('@' + kHistoryDeconvolve));
        QVERIFY(host.image.pixels != before);
        QCOMPARE(host.shownSum, std::accumulate(host.image.pixels.begin(), host.image.pixels.end(), uint64_t(0)));
        QCOMPARE(mailbox.sequence.load(), uint16_t(0));
        QCOMPARE(mailbox.argumentA.load(), uint16_t(0));
    }

    // Start L-R shows the iteration dialog: Cancel posts nothing; OK starts
    // the run with the chosen count.
    // The hand-over (Init .. SetSelection) goes on as each command is done,
    // without waiting for a tick: with a tick far away Start still goes out,
    // in the usual order. Without the quick hand-over only Init goes out
    // until the first tick.
    void handoverFollowsEachDoneCommand() {
        for (const bool quick : {true, false}) {
            bool busy = false;
            FakeRunHost host(busy);
            const std::vector<RunStar> bright = FillStarField(host.image, 160, 120);
            host.stars.assign(bright.begin(), bright.begin() + 2);
            DeconMailbox mailbox;
            PostLog log;
            DeconRunDriver::Options options;
            options.tickPeriod = std::chrono::milliseconds(60000);
            options.quickHandover = quick;
            options.onPost = [&log](const PostedCommand& post) { log.posts.push_back(post); };
            DeconRunDriver driver(host, mailbox, options);
            QVERIFY(driver.StartWithIterations(1));
            if (quick) {
                QTRY_VERIFY_WITH_TIMEOUT(log.Commands().size() >= 6, 20000);
                const std::vector<DC> expected{DC::Init, DC::SetImage, DC::AddStar, DC::AddStar, DC::SetSelection,
                                               DC::Start};
                QVERIFY2(log.Commands() == expected, qPrintable(CommandNames(log.Commands())));
            } else {
                QTest::qWait(1000);
                QVERIFY2(log.Commands() == std::vector<DC>{DC::Init}, qPrintable(CommandNames(log.Commands())));
            }
        }
    }

    void startGoesThroughTheDialog() {
        Profile::WriteInt("DeconParameters", "Aggressiveness", 0);
        bool busy = false;
        FakeRunHost host(busy);
        host.stars = FillStarField(host.image, 120, 90);
        host.stars.resize(1);
        DeconMailbox mailbox;
        PostLog log;
        DeconRunDriver driver(host, mailbox, QuickOptions(log));

        PressWhenShown(QDialogButtonBox::Cancel);
        driver.Start(nullptr);
        QVERIFY(log.posts.empty());
        QVERIFY(!busy && !driver.IsRunning());

        PressWhenShown(QDialogButtonBox::Ok);
        driver.Start(nullptr);
        QVERIFY(driver.IsRunning());
        QCOMPARE(driver.Iterations(), 1);
        WAIT_FOR_RUN_END(driver);
        QVERIFY(log.Has(DC::ReturnImage));
        QCOMPARE(host.statuses.last(), QLatin1String(kTextRunComplete));
    }

    // Start is unavailable without stars, and while any run is in progress
    // (the busy flag is shared by every window).
    void startUnavailableWithoutStarsOrDuringRun() {
        bool busy = false;
        FakeRunHost host(busy), otherWindow(busy);
        const std::vector<RunStar> bright = FillStarField(host.image, 120, 90);
        FillStarField(otherWindow.image, 120, 90);
        otherWindow.stars = {bright[0]};
        DeconMailbox mailbox;
        PostLog log;
        DeconRunDriver driver(host, mailbox, QuickOptions(log));
        DeconRunDriver otherDriver(otherWindow, mailbox, QuickOptions(log));

        QVERIFY(!driver.CanStart());
        QVERIFY(!driver.StartWithIterations(5));
        QVERIFY(log.posts.empty() && !busy);

        host.stars = {bright[0]};
        QVERIFY(driver.CanStart());
        QVERIFY(!driver.StartWithIterations(11));
        QVERIFY(driver.StartWithIterations(1));
        QVERIFY(!driver.CanStart());
        QVERIFY(!otherDriver.CanStart());
        QVERIFY(!driver.StartWithIterations(1));
        QVERIFY(!otherDriver.StartWithIterations(1));
        QCOMPARE(int(log.posts.size()), 1);
        WAIT_FOR_RUN_END(driver);
        QVERIFY(driver.CanStart() && otherDriver.CanStart());
    }

    // While the stars are handed over, the window's own events keep running.
    void windowKeepsRunningWhileStarsArePosted() {
        bool busy = false;
        FakeRunHost host(busy);
        const std::vector<RunStar> bright = FillStarField(host.image, 160, 120);
        host.stars.assign(bright.begin(), bright.begin() + 3);
        DeconMailbox mailbox;
        PostLog log;
        DeconRunDriver::Options options = QuickOptions(log);
        options.worker.pollPeriod = std::chrono::milliseconds(150);  // the program's own poll
        int repaints = 0, repaintsWhilePosting = 0;
        QTimer repaint;
        QObject::connect(&repaint, &QTimer::timeout, [&] {
            ++repaints;
            const auto codes = log.Commands();
            if (!codes.empty() && codes.back() == DC::AddStar) ++repaintsWhilePosting;
        });
        repaint.start(10);
        DeconRunDriver driver(host, mailbox, options);
        QVERIFY(driver.StartWithIterations(1));
        WAIT_FOR_RUN_END(driver);
        // Three stars at a 150 ms poll take several hundred milliseconds.
        QVERIFY2(repaintsWhilePosting >= 5, qPrintable(QString::number(repaintsWhilePosting)));
    }
};

QTEST_MAIN(RunSequenceTest)
#include "run_sequence_test.moc"

#include <QTimer>

#include "app/run/run_texts.h"
#include "decon/decon_texts.h"
#include "platform/messages.h"
#include "run_fixtures.h"

using DC = DeconCommand;

class RunEndingTest : public QObject {
    Q_OBJECT
private slots:
    // Abort while Start runs, after the engine has written pixels: no
    // ReturnImage, "aborted", and the written pixels count as a modification.
    void abortDuringStartKeepsWrittenPixels() {
        bool busy = false;
        FakeRunHost host(busy);
        const std::vector<RunStar> bright = FillStarField(host.image, 480, 360);
        host.stars.assign(bright.begin(), bright.begin() + 3);
        const std::vector<uint16_t> before = host.image.pixels;
        DeconMailbox mailbox;
        PostLog log;
        DeconRunDriver::Options options = QuickOptions(log);
        options.worker.engine.threads = 1;
        DeconRunDriver driver(host, mailbox, options);
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (mailbox.imageUpdateCount.load() > 0 && !driver.AbortRequested()) driver.Abort();
        });
        watch.start(1);
        QVERIFY(driver.StartWithIterations(10));
        WAIT_FOR_RUN_END(driver);

        const std::vector<DC> codes = log.Commands();
        QVERIFY2(!log.Has(DC::ReturnImage), qPrintable(CommandNames(codes)));
        QVERIFY(log.Has(DC::Start));
        QVERIFY(codes.size() >= 2 && codes[codes.size() - 2] == DC::Abort && codes.back() == DC::Free);
        QCOMPARE(host.statuses.last(), QLatin1String(kTextRunAborted));
        QVERIFY(host.modified);
        QVERIFY(host.HasDeconvolveEntry());
        QVERIFY(host.image.pixels != before);
        QVERIFY(!busy);
    }

    // Abort while the stars are handed over: the rest are not posted, the
    // run ends "aborted" with the image untouched and no history entry.
    void abortBeforeAnyPixelsWritten() {
        bool busy = false;
        FakeRunHost host(busy);
        const std::vector<RunStar> bright = FillStarField(host.image, 160, 120);
        host.stars.assign(bright.begin(), bright.begin() + 3);
        const std::vector<uint16_t> before = host.image.pixels;
        const std::string historyBefore = host.image.History;
        DeconMailbox mailbox;
        PostLog log;
        DeconRunDriver::Options options = QuickOptions(log);
        DeconRunDriver* running = nullptr;
        options.onPost = [&](const PostedCommand& post) {
            log.posts.push_back(post);
            // As a click would: once this post has returned.
            if (post.command == DC::AddStar) QTimer::singleShot(0, [&] { running->Abort(); });
        };
        DeconRunDriver driver(host, mailbox, options);
        running = &driver;
        QVERIFY(driver.StartWithIterations(3));
        WAIT_FOR_RUN_END(driver);

        const std::vector<DC> expected{DC::Init, DC::SetImage, DC::AddStar, DC::Abort, DC::Free};
        QVERIFY2(log.Commands() == expected, qPrintable(CommandNames(log.Commands())));
        QCOMPARE(host.statuses.last(), QLatin1String(kTextRunAborted));
        QVERIFY(!host.modified);
        QCOMPARE(host.image.History, historyBefore);
        QVERIFY(host.image.pixels == before);
        QVERIFY(!busy);
    }

    // When every star is skipped the run still walks its commands (the
    // selection pulled in from the edges), then says why nothing changed.
    void everyStarSkippedEndsWithReason() {
        bool busy = false;
        FakeRunHost host(busy);
        FillStarField(host.image, 120, 90);
        host.stars = {{2, 2}, {118, 88}};
        host.selection = DeconRect{0, 5, 90, 120};
        const std::vector<uint16_t> before = host.image.pixels;
        DeconMailbox mailbox;
        PostLog log;
        DeconRunDriver driver(host, mailbox, QuickOptions(log));
        QVERIFY(driver.StartWithIterations(1));
        WAIT_FOR_RUN_END(driver);

        const std::vector<DC> expected{DC::Init, DC::SetImage, DC::AddStar, DC::AddStar,
                                       DC::SetSelection, DC::Start, DC::ReturnImage, DC::Free};
        QVERIFY2(log.Commands() == expected, qPrintable(CommandNames(log.Commands())));
        QCOMPARE(log.posts[4].rect, (DeconRect{10, 10, 80, 110}));
        QCOMPARE(host.statuses.last(), QLatin1String(kTextNoUsableStar));
        QVERIFY(!host.modified);
        QVERIFY(!host.HasDeconvolveEntry());
        QVERIFY(host.image.pixels == before);
    }

    // An engine that cannot get its arrays ends the run at once with the
    // reason and no history entry.
    void allocationFailureEndsWithReason() {
        bool busy = false;
        FakeRunHost host(busy);
        host.stars = FillStarField(host.image, 120, 90);
        DeconMailbox mailbox;
        PostLog log;
        DeconRunDriver::Options options = QuickOptions(log);
        options.worker.engine.memoryLimitBytes = 1024;
        DeconRunDriver driver(host, mailbox, options);
        QVERIFY(driver.StartWithIterations(1));
        WAIT_FOR_RUN_END(driver);

        const std::vector<DC> expected{DC::Init, DC::Free};
        QVERIFY2(log.Commands() == expected, qPrintable(CommandNames(log.Commands())));
        QCOMPARE(host.statuses.last(), QStringLiteral("Not enough memory to deconvolve a 120 x 90 image."));
        QVERIFY(!host.modified);
        QVERIFY(!host.HasDeconvolveEntry());
        QVERIFY(!busy);
    }

    // Abort once Free is out is ignored, so the run cannot be left waiting
    // for a worker that has ended; it completes normally.
    void abortAfterFreeIsIgnored() {
        bool busy = false;
        FakeRunHost host(busy);
        host.stars = FillStarField(host.image, 120, 90);
        host.stars.resize(1);
        DeconMailbox mailbox;
        PostLog log;
        DeconRunDriver::Options options = QuickOptions(log);
        DeconRunDriver* running = nullptr;
        options.onPost = [&](const PostedCommand& post) {
            log.posts.push_back(post);
            if (post.command == DC::Free) QTimer::singleShot(0, [&] { running->Abort(); });
        };
        DeconRunDriver driver(host, mailbox, options);
        running = &driver;
        QVERIFY(driver.StartWithIterations(1));
        WAIT_FOR_RUN_END(driver);
        QVERIFY(!log.Has(DC::Abort));
        QCOMPARE(host.statuses.last(), QLatin1String(kTextRunComplete));
        QVERIFY(host.HasDeconvolveEntry());
    }

    // A window destroyed in the middle of a run stops the worker before the
    // pixel buffer can go, and leaves the program idle.
    void destroyedDriverStopsTheWorker() {
        bool busy = false;
        FakeRunHost host(busy);
        host.stars = FillStarField(host.image, 480, 360);
        host.stars.resize(2);
        DeconMailbox mailbox;
        PostLog log;
        {
            DeconRunDriver driver(host, mailbox, QuickOptions(log));
            QVERIFY(driver.StartWithIterations(10));
            QTRY_VERIFY_WITH_TIMEOUT(log.Has(DC::Start), 30000);
        }
        QVERIFY(!busy);
        QCOMPARE(mailbox.sequence.load(), uint16_t(0));
    }
};

QTEST_MAIN(RunEndingTest)
#include "run_ending_test.moc"

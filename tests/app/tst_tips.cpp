// The Tip of the Day: reading tips past comments, going round, following
// a replaced file, remembering the start-up choice and the position.
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/tip_dialog.h"
#include "platform/messages.h"
#include "platform/qt/profile.h"

namespace {

void WriteTips(const QString& text) {
    QFile file(QStringLiteral("tips.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

QString NextTipShown() {
    CTipDialog dialog;
    return dialog.TipText().trimmed();
}

}  // namespace

class TipsTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        folder_ = std::make_unique<QTemporaryDir>();
        previousFolder_ = QDir::currentPath();
        QDir::setCurrent(folder_->path());
        Profile::UseFolder(folder_->path() + QStringLiteral("/settings"));
    }
    void cleanup() {
        QDir::setCurrent(previousFolder_);
        folder_.reset();
    }

    // Three tips among comments and blank lines come in order, then again
    // from the first; each dialog made continues where the last one stopped.
    void cyclesThroughTheTips() {
        WriteTips("; comment\nfirst tip\n\n second is indented, so skipped\nsecond tip\n;another\nthird tip\n");
        QStringList seen;
        for (int i = 0; i < 4; ++i) seen << NextTipShown();
        QCOMPARE(seen, (QStringList{"first tip", "second tip", "third tip", "first tip"}));
        CTipDialog dialog;
        QCOMPARE(dialog.TipText(), QStringLiteral("second tip\n"));
        dialog.OnNextTip();
        QCOMPARE(dialog.TipText(), QStringLiteral("third tip\n"));
    }

    // A tips file with a new modification time starts again at its first tip.
    void replacedFileStartsAtTheTop() {
        WriteTips("one\ntwo\nthree\n");
        QCOMPARE(NextTipShown(), QStringLiteral("one"));
        QCOMPARE(NextTipShown(), QStringLiteral("two"));
        QFile file(QStringLiteral("tips.txt"));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addDays(-3), QFileDevice::FileModificationTime));
        file.close();
        QCOMPARE(NextTipShown(), QStringLiteral("one"));
    }

    // Unticking the start-up box and closing stores StartUp = 1; a dialog
    // made but not shown still moves the position on.
    void startupChoiceAndPosition() {
        WriteTips("one\ntwo\n");
        {
            CTipDialog dialog;
            QVERIFY(dialog.ShowAtStartup());
            dialog.findChild<QCheckBox*>(QStringLiteral("showAtStartup"))->setChecked(false);
            dialog.accept();
        }
        QCOMPARE(Profile::GetInt("Tip", "StartUp", 0), 1);
        {
            CTipDialog silent;
            QVERIFY(!silent.ShowAtStartup());
        }
        QCOMPARE(Profile::GetInt("Tip", "FilePos", -1), 8);
        QCOMPARE(NextTipShown(), QStringLiteral("one"));
    }

    // Without a tips file the dialog says so, offers no next tip and keeps
    // no position; a file of comments only does not hang.
    void missingOrEmptyFile() {
        Profile::WriteInt("Tip", "FilePos", 7);
        {
            CTipDialog dialog;
            QCOMPARE(dialog.TipText(), QStringLiteral("Tips file does not exist in the prescribed directory"));
            QVERIFY(!dialog.findChild<QPushButton*>(QStringLiteral("nextTip"))->isEnabled());
        }
        QCOMPARE(Profile::GetInt("Tip", "FilePos", -1), 7);
        WriteTips("; nothing\n  but comments\n");
        CTipDialog dialog;
        QCOMPARE(dialog.TipText(), QStringLiteral("Trouble reading the tips file"));
        QVERIFY(!dialog.findChild<QPushButton*>(QStringLiteral("nextTip"))->isEnabled());
    }

    // A stored position the file cannot go to is reported as the program's
    // own notice, under the "FYI" caption.
    void unreadablePositionSaysSoAsFyi() {
        WriteTips("one\n");
        { CTipDialog first; }
        Profile::WriteInt("Tip", "FilePos", -5);
        ScopedMessageCapture notices;
        { CTipDialog dialog; }
        QCOMPARE(notices.messages.size(), size_t(1));
        QCOMPARE(notices.messages.front().text, std::string("Trouble reading the tips file"));
        QCOMPARE(notices.messages.front().caption, std::string("FYI"));
    }

    // A line longer than 999 characters is read in pieces, each a tip.
    void longLinesComeInPieces() {
        WriteTips(QString(1200, QLatin1Char('x')) + QStringLiteral("\n"));
        CTipDialog dialog;
        QCOMPARE(dialog.TipText().size(), 999);
        dialog.OnNextTip();
        QCOMPARE(dialog.TipText(), QString(201, QLatin1Char('x')) + QStringLiteral("\n"));
    }

private:
    std::unique_ptr<QTemporaryDir> folder_;
    QString previousFolder_;
};

QTEST_MAIN(TipsTest)
#include "tst_tips.moc"

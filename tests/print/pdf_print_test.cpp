#include <QApplication>
#include <QDialog>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtPrintSupport/QPrintPreviewWidget>

#include "app/print/page_printing.h"
#include "platform/messages.h"
#include "print_fixtures.h"

namespace {

QString RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0) return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

void UsePdf(QPrinter& printer, const QString& path) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
}

}  // namespace

class PdfPrintTest : public QObject {
    Q_OBJECT
private slots:
    // Printing to a PDF file gives exactly one page carrying the report and the version line.
    void pdfHasOnePageWithTheTexts() {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("page.pdf"));
        const auto subject = RampSubject(120, 80);
        PagePrinting printing;
        UsePdf(printing.Printer(), path);
        QVERIFY(PrintPageOn(printing.Printer(), PageOf(*subject)));

        const QString info = RunTool(QStringLiteral("pdfinfo"), {path});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))), qPrintable(info));
        const QString text = RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
        for (const char* expected : {"Image Parameters", "ramp.qvz", "120 Pixels Wide x 80 Pixels High",
                                     "Test Observer", "Telescope Parameters", "Quorvane Version 1.2.3"})
            QVERIFY2(text.contains(QLatin1String(expected)), qPrintable(QStringLiteral("missing \"%1\" in:\n%2").arg(expected, text)));
    }

    // A PDF that cannot be written is reported, not passed off as printed.
    void unwritableTargetIsReported() {
        ScopedMessageCapture messages;
        const auto subject = RampSubject(20, 20);
        PagePrinting printing;
        UsePdf(printing.Printer(), QStringLiteral("/nonexistent-folder/page.pdf"));
        QVERIFY(!PrintPageOn(printing.Printer(), PageOf(*subject)));
        QCOMPARE(int(messages.messages.size()), 1);
        QVERIFY(messages.messages[0].text.find("could not be printed") != std::string::npos);
    }

    // The preview shows the one page.
    void previewShowsOnePage() {
        const auto subject = RampSubject(40, 30);
        PagePrinting printing;
        int pages = -1;
        QTimer::singleShot(0, this, [&pages] {
            QWidget* modal = QApplication::activeModalWidget();
            auto* preview = modal ? modal->findChild<QPrintPreviewWidget*>() : nullptr;
            if (preview) {
                preview->updatePreview();
                pages = preview->pageCount();
            }
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        });
        printing.Preview(nullptr, PageOf(*subject));
        QCOMPARE(pages, 1);
    }
};

QTEST_MAIN(PdfPrintTest)
#include "pdf_print_test.moc"

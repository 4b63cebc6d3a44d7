#include "app/print/page_printing.h"

#include <QPainter>
#include <QtPrintSupport/QPageSetupDialog>
#include <QtPrintSupport/QPrintDialog>
#include <QtPrintSupport/QPrintPreviewDialog>

#include "app/print/page_composer.h"
#include "app/print/printed_page.h"
#include "platform/messages.h"

namespace {
const char* const kCannotPrint = "The page could not be printed.  Check the printer or the file name.";
}  // namespace

bool PrintPageOn(QPrinter& printer, const PrintedPage& page) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        ShowMessage(kCannotPrint, "FYI");
        return false;
    }
    // Painting on a printer starts at the printable area's corner.
    const QRect area(QPoint(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size());
    DrawPage(painter, area, page);
    return painter.end();
}

PagePrinting::PagePrinting() : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

PagePrinting::~PagePrinting() = default;

bool PagePrinting::Print(QWidget* parent, const PrintedPage& page) {
    QPrintDialog dialog(printer_.get(), parent);
    dialog.setMinMax(1, 1);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    if (dialog.exec() != QDialog::Accepted) return false;
    return PrintPageOn(*printer_, page);
}

void PagePrinting::Preview(QWidget* parent, const PrintedPage& page) {
    QPrintPreviewDialog preview(printer_.get(), parent);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&page](QPrinter* printer) { PrintPageOn(*printer, page); });
    preview.exec();
}

bool PagePrinting::Setup(QWidget* parent) {
    QPageSetupDialog dialog(printer_.get(), parent);
    return dialog.exec() == QDialog::Accepted;
}

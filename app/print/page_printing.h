#pragma once
// The Print, Print Preview and Print Setup commands of an image window.
// One printer object lives as long as this does, so the choices made in
// Print Setup (printer, paper, orientation) hold for the next print.

#include <QtPrintSupport/QPrinter>
#include <memory>

class QWidget;
struct PrintedPage;

// Draws the page on a printer that is ready (its output chosen). False,
// after telling the user, when the printer cannot be started.
bool PrintPageOn(QPrinter& printer, const PrintedPage& page);

class PagePrinting {
public:
    PagePrinting();
    ~PagePrinting();
    PagePrinting(const PagePrinting&) = delete;
    PagePrinting& operator=(const PagePrinting&) = delete;

    // The print dialog (one page; printing to a PDF file is offered), then
    // the page. False when cancelled or failed.
    bool Print(QWidget* parent, const PrintedPage& page);
    // The page in a modal preview window, from which it can be printed.
    void Preview(QWidget* parent, const PrintedPage& page);
    // Paper, orientation and margins for the next print; false when cancelled.
    bool Setup(QWidget* parent);

    QPrinter& Printer() { return *printer_; }

private:
    std::unique_ptr<QPrinter> printer_;
};

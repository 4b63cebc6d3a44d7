// Prints the page of a synthetic star field to a PDF, for a look at the
// layout (render it with pdftoppm). Usage: print_sample_page <file.pdf>

#include <QApplication>
#include <QDate>
#include <cstdio>

#include "app/display/display.h"
#include "app/print/page_printing.h"
#include "app/print/printed_page.h"
#include "image/image.h"
#include "tools/samplegen/sample_image.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: print_sample_page <file.pdf>\n");
        return 2;
    }
    CImage image;
    SetSampleHeader(image);
    StarFieldToImage(GenerateStarField(StarFieldOptions{}), image);
    image.display.autoContrast = 1;
    DisplayBitmap bitmap;
    CHistogram histogram;
    BuildDisplayBitmap(image, histogram, bitmap);

    PagePrinting printing;
    printing.Printer().setOutputFormat(QPrinter::PdfFormat);
    printing.Printer().setOutputFileName(QString::fromLocal8Bit(argv[1]));
    const PrintedPage page = MakePrintedPage(image, bitmap, "starfield.qvz", QStringLiteral("1.0.0"),
                                             QDate::currentDate());
    return PrintPageOn(printing.Printer(), page) ? 0 : 1;
}

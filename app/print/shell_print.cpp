#include "app/print/shell_print.h"

#include <memory>

#include "app/print/page_printing.h"
#include "app/print/printed_page.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app/shell_extensions.h"

namespace {

PrintedPage PageOf(CQuorvaneView& view) {
    const CQuorvaneDoc& document = view.GetDocument();
    const CQuorvaneApp* app = CQuorvaneApp::Instance();
    return MakePrintedPage(document.Image(), document.Bitmap(), document.Title().toStdString(),
                           app ? app->Version() : QString(), QDate::currentDate());
}

}  // namespace

void InstallPrintExtensions(ShellExtensions& extensions) {
    auto printing = std::make_shared<PagePrinting>();
    extensions.print = [printing](CQuorvaneView& view) { printing->Print(view.window(), PageOf(view)); };
    extensions.printPreview = [printing](CQuorvaneView& view) { printing->Preview(view.window(), PageOf(view)); };
    extensions.printSetup = [printing](QWidget* parent) { printing->Setup(parent); };
}

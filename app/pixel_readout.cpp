#include "app/pixel_readout.h"

#include "app/child_frame.h"
#include "app/main_frame.h"
#include "app/pixel_guard.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "image/image.h"

QString PixelReadoutText(const CImage& image, QPoint pixel, bool valueReadable) {
    if (!image.HasPixels() || pixel.x() < 0 || pixel.y() < 0 || pixel.x() >= image.Width || pixel.y() >= image.Height)
        return {};
    const QString value = valueReadable ? QString::number(image.At(pixel.x(), pixel.y())) : QStringLiteral("busy");
    return QStringLiteral("X: %1  Y: %2  Value: %3").arg(pixel.x()).arg(pixel.y()).arg(value);
}

void ShowPixelReadout(CChildFrame& frame, QPoint pixel) {
    CQuorvaneApp* app = CQuorvaneApp::Instance();
    CMainFrame* main = app ? app->MainFrame() : nullptr;
    if (!main) return;
    const CQuorvaneDoc& document = frame.GetDocument();
    // A run writing the pixels is never waited for; the position still shows.
    const PixelReadGuard guard(document);
    main->SetPixelReadout(PixelReadoutText(document.Image(), pixel, guard.CanRead()));
}

void ClearPixelReadout() {
    CQuorvaneApp* app = CQuorvaneApp::Instance();
    if (CMainFrame* main = app ? app->MainFrame() : nullptr) main->SetPixelReadout({});
}

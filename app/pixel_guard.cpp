#include "app/pixel_guard.h"

#include "app/quorvane_doc.h"
#include "decon/decon_mailbox.h"

PixelReadGuard::PixelReadGuard(const CQuorvaneDoc& document) : running_(document.IsRunning()) {
    if (running_) lock_ = TheDeconMailbox().TryLockPixels();
}

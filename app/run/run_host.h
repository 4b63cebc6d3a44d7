#pragma once
// What the deconvolution run driver needs from the image window around it.
// The view implements this over its document, the application and the
// status bar, so the driver knows nothing of frames, documents or menus.

#include <QString>

#include "app/run/run_progress.h"
#include <cstdint>
#include <optional>
#include <vector>

#include "decon/decon_engine.h"

// A picked star, in image pixels.
struct RunStar {
    int32_t x = 0;
    int32_t y = 0;
};

class DeconRunHost {
public:
    virtual ~DeconRunHost() = default;

    // The image a run works on. The pixel buffer must neither move nor be
    // resized while the run goes on (flips, saves and closes wait for it).
    virtual int32_t ImageWidth() const = 0;
    virtual int32_t ImageHeight() const = 0;
    virtual uint16_t* ImagePixels() = 0;

    // The document's star list, in the order picked.
    virtual std::vector<RunStar> Stars() const = 0;
    // The view's selection rectangle as it stands, when one is drawn.
    virtual std::optional<DeconRect> Selection() const = 0;

    // Pane 0 of the status bar.
    virtual void SetStatusText(const QString& text) = 0;
    // Rebuilds the display bitmap from the pixels with the image's settings
    // and repaints (the contrast bar's Apply). The driver calls it only while
    // the worker is kept off the pixel buffer.
    virtual void ApplyContrastSettings() = 0;
    // The pixels changed: the histogram must be counted again.
    virtual void InvalidateHistogram() = 0;
    virtual void MarkModified() = 0;
    // Adds a code to the image's modification history.
    virtual void AddHistory(int code) = 0;

    // The application-wide flag: a deconvolution is in progress.
    virtual bool IsBusy() const = 0;
    virtual void SetBusy(bool busy) = 0;
    // The run's progress for a progress bar; null when the run has ended.
    virtual void ShowProgress(const RunProgress* /*progress*/) {}

    // Asked as the worker starts, while the pixels still hold the image
    // before the run: hooks told, on the engine's thread, of each step's
    // change and each iteration's end; null for none. They must stay valid
    // until RunEnded.
    virtual DeconHooks* RunObserver() { return nullptr; }
    // After the run has ended (history entry made, worker gone): whether it
    // reached its end and changed the image, and its iteration count.
    virtual void RunEnded(bool /*completed*/, int /*iterations*/) {}
};

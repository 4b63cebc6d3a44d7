#pragma once
// One open image file: the image record, the display bitmap and histogram
// derived from it, and the stars the user picked as point-spread samples.
// Opens and saves through the image record's serialization and refuses to
// close while a deconvolution runs.

#include <QObject>
#include <QString>
#include <cstdint>
#include <vector>

#include "app/display/display.h"
#include "image/image.h"

struct WideFitsFile;

// An image pixel the user picked as a point-spread sample.
struct StarPoint {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const StarPoint&, const StarPoint&) = default;
};

class CQuorvaneDoc : public QObject {
    Q_OBJECT
public:
    explicit CQuorvaneDoc(QObject* parent = nullptr);
    ~CQuorvaneDoc() override;

    // Reads the file, then makes and fills the display bitmap. False (after
    // telling the user) when the file cannot be read or shown.
    bool OnOpenDocument(const QString& path);
    // Writes the image in its own format; the file on disk is replaced only
    // when the whole image has been written.
    bool OnSaveDocument(const QString& path);
    // Save and Save As; false when cancelled or failed.
    bool DoFileSave();
    bool DoSaveAs();
    // Asks about unsaved changes; false when the user cancelled (or the save failed).
    bool SaveModified();
    // The close of this image's window: refused (with a notice) while a
    // deconvolution runs, otherwise asks about unsaved changes.
    bool CanCloseFrame();
    // Forgets the document: the last one hides the contrast bar and closes
    // the tool windows. The document deletes itself afterwards.
    void OnCloseDocument();

    const QString& PathName() const { return pathName_; }
    // The file name, as window titles and prompts show it.
    QString Title() const;
    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool modified = true);

    CImage& Image() { return image_; }
    const CImage& Image() const { return image_; }
    DisplayBitmap& Bitmap() { return bitmap_; }
    const DisplayBitmap& Bitmap() const { return bitmap_; }
    CHistogram& Histogram() { return histogram_; }
    std::vector<StarPoint>& Stars() { return stars_; }
    const std::vector<StarPoint>& Stars() const { return stars_; }

    // The image size scaled by its zoom.
    DisplaySize GetDisplaySize() const;
    bool HasImage() const { return image_.Width > 0 && image_.Height > 0 && image_.HasPixels(); }
    int32_t Back() const { return image_.display.back; }
    int32_t Range() const { return image_.display.range; }

    // The one full remap of the pixels into the bitmap; refreshes the
    // contrast bar when automatic levels chose a new back and range.
    void BuildDisplayBitmap();
    // A deconvolution is writing into this image's pixels.
    bool IsRunning() const;

    void FlipHorizontal();
    void FlipVertical();
    void AddStar(StarPoint star);
    void RemoveStarAt(size_t index);
    void ClearStars();

    // Every view of the document repaints.
    void UpdateAllViews() { emit viewsNeedRepaint(); }

signals:
    void viewsNeedRepaint();
    void modifiedChanged(bool modified);
    void pathChanged();
    // Save As wrote the image to this file.
    void savedAs(const QString& path);
    // The pixels were mirrored (the stars with them); views mirror what they keep.
    void flipped(Qt::Orientation orientation);

private:
    void RefreshContrastBar();
    // A FITS image of values wider than 16 bits: asks about the conversion
    // and opens the result as a new, unnamed, modified image.
    bool OpenConverted(const QString& path, const WideFitsFile& file);
    bool ShowImage(const QString& path);
    // An image whose values the import rounded says so on the status bar;
    // the first save over its file asks before replacing the finer values.
    void NoteRoundedValues();
    bool MayReplaceRoundedSource(const QString& path) const;

    QString pathName_;
    // A converted image: the file it came from (never written over) and the
    // name its first save suggests.
    QString sourcePath_;
    QString suggestedPath_;
    // The FITS file whose values the image holds rounded, until saved over.
    QString roundedSource_;
    bool modified_ = false;
    CImage image_;
    DisplayBitmap bitmap_;
    CHistogram histogram_;
    std::vector<StarPoint> stars_;
};

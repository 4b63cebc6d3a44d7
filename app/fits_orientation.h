#pragma once
// The View option "FITS Rows Bottom Up". FITS images are usually looked at
// with their first row at the bottom; with the option on, image windows of
// FITS images show their rows that way, and window points map to image
// pixels through the same flip, so the cursor readouts name the pixel under
// the cursor. Pixels, files and every computation stay as stored. Off (the
// default) shows the first row at the top. The choice is remembered.

#include <QObject>
#include <cstdint>

class CImage;

class FitsOrientation : public QObject {
    Q_OBJECT
public:
    static FitsOrientation& Instance();
    // The remembered option.
    bool RowsBottomUp() const;
    void SetRowsBottomUp(bool on);

signals:
    void changed();
};

// Whether the window shows this image's rows bottom up.
bool ShowsRowsBottomUp(const CImage& image);

// An image row as the display row of a top-down picture, and back: the
// same flip both ways when flipped.
inline int32_t DisplayRowOf(int32_t row, int32_t height, bool flipped) {
    return flipped ? height - 1 - row : row;
}

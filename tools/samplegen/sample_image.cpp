#include "tools/samplegen/sample_image.h"

#include "image/image.h"

namespace {

constexpr int kSampleCameraRow = 6;

}  // namespace

void SetSampleHeader(CImage& image) {
    image.cameraIndex = kSampleCameraRow;
    image.cameraName = CameraTable[kSampleCameraRow];
    image.fileType = kFileCompressed;
    image.imageKind = 0;
    image.File_version = 3;
    image.Data_version = 1;
    image.Exposure = 3000;
    image.Focal_length = 80.0;
    image.Aperture = 50.27;
    image.Response_factor = 1.0;
    image.Note = "Synthetic star field for trying out Quorvane";
    image.Date = "03/14/24";
    image.Time = "21:42:05";
    // Clocked at the low rate, double correlated sampling on, dark current
    // reduction off, anti-blooming logic on: a state every field of which
    // has a name (0 would read "???" for three of them).
    image.Exposure_state = 0x40 | 0x04 | 0x20 | 0x100;
    image.Temperature = -15.0;
    image.Number_exposures = 1;
    image.Each_exposure = 3000;
    // "0" is the record of an image nothing has been done to; "@" would
    // claim one modification of unknown kind.
    image.History = "0";
    image.Observer = "Quorvane sample generator";
    image.X_pixel_size = 0.0090;
    image.Y_pixel_size = 0.0090;
    image.Pedestal = 100;
    image.E_gain = 2.0;
    image.Filter = "Clear";
    image.Readout_mode = 0;
    image.Track_time = 0;
    image.Sat_level = 65535;
    image.display.back = 950;
    image.display.range = 400;
}

void StarFieldToImage(const StarField& field, CImage& image) {
    image.Width = field.width;
    image.Height = field.height;
    image.pixels = field.pixels;
}

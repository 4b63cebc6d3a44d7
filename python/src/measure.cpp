// measure() and profile(): the crosshair readouts and the stellar profile.

#include <pybind11/numpy.h>

#include <string>

#include "bindings.h"
#include "image/image.h"
#include "measure/crosshair.h"
#include "measure/profile.h"
#include "measure/star_width.h"
#include "pixels.h"
#include "record.h"

namespace qvpy {

namespace {

// The pixels, with the record's optics (focal length, pixel sizes, gain) when given.
void ImageFor(CImage& image, py::handle pixels, py::handle record) {
    if (!record.is_none()) ApplyRecord(py::cast<py::dict>(record), image);
    PixelsIntoImage(pixels, image);
}

void CheckBox(int32_t box) {
    if (box < 1 || box > kLargestBox || box % 2 == 0)
        throw py::value_error("box takes an odd side from 1 to " + std::to_string(kLargestBox) + ", not " + std::to_string(box));
}

py::dict Measure(py::handle pixels, int32_t x, int32_t y, int32_t box, py::handle record) {
    CheckBox(box);
    CImage image;
    ImageFor(image, pixels, record);
    const CrosshairReadout r = MeasureAtCursor(image, x, y, box);
    const PixelPoint peak = BoxPeak(image, x, y, box);
    const StarWidths widths = StarWidth(image, peak.x, peak.y, box);
    py::dict d;
    d["position"] = py::make_tuple(r.position.x, r.position.y);
    d["value"] = r.value;
    d["average"] = r.average;
    d["noise"] = r.noise;
    d["peak"] = py::make_tuple(peak.x, peak.y);
    d["fwhm"] = py::make_tuple(widths.x, widths.y);
    d["seeing"] = py::make_tuple(r.seeingX, r.seeingY);
    return d;
}

py::dict Profile(py::handle pixels, int32_t x, int32_t y, int32_t box, py::handle record) {
    CheckBox(box);
    CImage image;
    ImageFor(image, pixels, record);
    const ProfileResult p = MeasureProfile(image, x, y, box);
    py::array_t<double> distance(py::ssize_t(p.samples.size()));
    py::array_t<uint16_t> value(py::ssize_t(p.samples.size()));
    for (size_t i = 0; i < p.samples.size(); ++i) {
        distance.mutable_at(i) = p.samples[i].distance;
        value.mutable_at(i) = p.samples[i].value;
    }
    const ProfileRequest& q = p.request;
    py::dict d;
    d["distance"] = distance;
    d["value"] = value;
    d["extent"] = p.extent;
    d["unit"] = p.distancesInPixels ? "pixel" : "arcsec";
    d["peak"] = py::make_tuple(q.peakColumn, q.peakRow);
    d["peak_value"] = q.peakValue;
    d["box"] = py::make_tuple(q.boxColumn, q.boxRow, q.boxWidth, q.boxHeight);
    d["background"] = q.background;
    d["centroid"] = py::make_tuple(q.centroidColumn, q.centroidRow);
    return d;
}

}  // namespace

void BindMeasure(py::module_& m) {
    m.def("measure", &Measure, py::arg("pixels"), py::arg("x"), py::arg("y"), py::arg("box") = 5,
          py::arg("record") = py::none(),
          R"doc(The crosshair readouts at column x, row y with a box of side box (odd).

Returns a dict: position (x, y clamped to the image), value, average (box
mean, truncated), noise (box standard deviation), peak (x, y of the box's
brightest pixel), fwhm (horizontal and vertical full width at half maximum
around the peak, pixels; 0 where no star can be measured) and seeing (the
same widths in arc-seconds, capped at 99.9; 0 without a focal length).
record supplies Focal_length and X/Y_pixel_size for the seeing.)doc");
    m.def("profile", &Profile, py::arg("pixels"), py::arg("x"), py::arg("y"), py::arg("box") = 11,
          py::arg("record") = py::none(),
          R"doc(The stellar profile of the star found in the box x..x+box-1, y..y+box-1.

Returns a dict: distance (numpy array, from the light's centroid, in
arc-seconds, or pixels when unit is "pixel" because the record gives no
focal length) and value (the box's pixels, rows outer), extent (the box
diagonal), peak, peak_value, box (left, top, width, height), background and
centroid (x, y). record supplies Focal_length, pixel sizes and E_gain.)doc");
}

}  // namespace qvpy

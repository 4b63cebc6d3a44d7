#pragma once
// numpy arrays in and out of the image record: rows x columns of unsigned
// 16-bit values, row-major, top row first, as the record keeps them.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>

class CImage;

namespace qvpy {

namespace py = pybind11;

using PixelArray = py::array_t<uint16_t, py::array::c_style>;

// Puts a 2-D array into image (Width, Height, pixels). Integer arrays of any
// width are taken when every value fits 0..65535; anything else raises
// ValueError naming the argument.
void PixelsIntoImage(py::handle pixels, CImage& image, const char* argument = "pixels");

// A fresh rows x columns array holding the image's pixels.
PixelArray ArrayFromImage(const CImage& image);
PixelArray ArrayFromPixels(const uint16_t* pixels, int32_t width, int32_t height);

}  // namespace qvpy

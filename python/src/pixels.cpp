#include "pixels.h"

#include <cstring>
#include <string>

#include "image/image.h"

using namespace pybind11::literals;

namespace qvpy {

namespace {

[[noreturn]] void Refuse(const char* argument, const std::string& why) {
    throw py::value_error(std::string(argument) + " " + why);
}

}  // namespace

void PixelsIntoImage(py::handle pixels, CImage& image, const char* argument) {
    py::module_ numpy = py::module_::import("numpy");
    py::array array = numpy.attr("asarray")(pixels);
    if (array.ndim() != 2) Refuse(argument, "must be a 2-D array (rows, columns), not " + std::to_string(array.ndim()) + "-D");
    const py::dtype type = array.dtype();
    const char kind = type.kind();
    if (kind != 'u' && kind != 'i' && kind != 'b')
        Refuse(argument, "must hold whole numbers 0..65535 (numpy.uint16), not " +
                             std::string(py::str(py::handle(type))) + "; convert with numpy.clip(...).astype(numpy.uint16)");
    const py::ssize_t rows = array.shape(0);
    const py::ssize_t columns = array.shape(1);
    if (rows < 1 || columns < 1 || rows > kMaxImageSide || columns > kMaxImageSide ||
        int64_t(rows) * int64_t(columns) > kMaxImagePixels)
        Refuse(argument, "has an unusable size of " + std::to_string(columns) + " x " + std::to_string(rows) + " pixels");
    if (kind != 'u' || type.itemsize() > 2) {
        const bool low = py::bool_(numpy.attr("any")(array.attr("__lt__")(0)));
        const bool high = py::bool_(numpy.attr("any")(array.attr("__gt__")(65535)));
        if (low || high) Refuse(argument, "holds values outside 0..65535");
    }
    PixelArray exact = numpy.attr("ascontiguousarray")(array, "dtype"_a = "uint16");
    image.Width = int32_t(columns);
    image.Height = int32_t(rows);
    image.pixels.resize(size_t(rows) * size_t(columns));
    std::memcpy(image.pixels.data(), exact.data(), image.pixels.size() * sizeof(uint16_t));
}

PixelArray ArrayFromPixels(const uint16_t* pixels, int32_t width, int32_t height) {
    PixelArray array({py::ssize_t(height), py::ssize_t(width)});
    std::memcpy(array.mutable_data(), pixels, size_t(width) * size_t(height) * sizeof(uint16_t));
    return array;
}

PixelArray ArrayFromImage(const CImage& image) { return ArrayFromPixels(image.pixels.data(), image.Width, image.Height); }

}  // namespace qvpy

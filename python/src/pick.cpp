// pick_stars(): stars chosen by the engine's own rules, with the reasons
// for every candidate turned down.

#include <pybind11/stl.h>

#include "bindings.h"
#include "decon/star_pick.h"
#include "image/image.h"
#include "pixels.h"

namespace qvpy {

namespace {

py::tuple PickStarsDetailed(py::handle pixels, int count, py::handle saturation) {
    if (count < 1) throw py::value_error("count must be 1 or more, not " + std::to_string(count));
    CImage image;
    PixelsIntoImage(pixels, image);
    uint32_t level = 0;
    if (!saturation.is_none()) {
        const int64_t value = py::cast<int64_t>(saturation);
        if (value < 1 || value > 65535) throw py::value_error("saturation takes 1..65535");
        level = uint32_t(value);
    }
    AutoStars picked;
    {
        py::gil_scoped_release released;
        picked = PickStars(image.pixels.data(), image.Width, image.Height, count, level);
    }
    py::list stars, rejected;
    for (const StarPick& s : picked.stars) stars.append(py::make_tuple(s.column, s.row));
    for (const StarRejection& r : picked.rejected) rejected.append(py::make_tuple(r.column, r.row, r.reason));
    return py::make_tuple(stars, rejected, picked.candidates);
}

}  // namespace

void BindPickStars(py::module_& m) {
    m.def("_pick_stars", &PickStarsDetailed, py::arg("pixels"), py::arg("count"), py::arg("saturation"),
          "pick_stars' compiled part: (stars, rejected, candidates).");
}

}  // namespace qvpy

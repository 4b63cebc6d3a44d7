// deconvolve() and psf(): the engine run exactly as quorvane-cli deconvolve
// drives it, with the interpreter lock released while the engine works.

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bindings.h"
#include "decon/decon_engine.h"
#include "decon/decon_texts.h"
#include "decon/run_selection.h"
#include "errors.h"
#include "image/image.h"
#include "pixels.h"
#include "run_hooks.h"

namespace qvpy {

namespace {

using Star = std::pair<int32_t, int32_t>;

std::vector<Star> StarsFrom(py::handle stars) {
    std::vector<Star> list;
    if (py::isinstance<py::str>(stars) || !py::hasattr(stars, "__iter__"))
        throw py::value_error("stars must be a sequence of (x, y) pairs");
    for (py::handle star : py::iter(stars)) {
        try {
            auto xy = py::cast<std::vector<int64_t>>(star);
            if (xy.size() != 2) throw py::cast_error();
            if (xy[0] < INT32_MIN || xy[0] > INT32_MAX || xy[1] < INT32_MIN || xy[1] > INT32_MAX) throw py::cast_error();
            list.emplace_back(int32_t(xy[0]), int32_t(xy[1]));
        } catch (const py::cast_error&) {
            throw py::value_error("each star must be an (x, y) pair of whole numbers, not " + std::string(py::repr(star)));
        }
    }
    if (list.empty()) throw py::value_error("at least one star is needed for the PSF");
    return list;
}

std::optional<DeconRect> AreaFrom(py::handle area) {
    if (area.is_none()) return std::nullopt;
    std::vector<int32_t> v;
    try {
        v = py::cast<std::vector<int32_t>>(area);
    } catch (const py::cast_error&) {
    }
    if (v.size() != 4 || v[2] <= v[0] || v[3] <= v[1])
        throw py::value_error("area takes (left, top, right, bottom) with right > left and bottom > top, not " +
                              std::string(py::repr(area)));
    return DeconRect{v[1], v[0], v[3], v[2]};
}

DeconOptions OptionsFrom(py::handle threads, bool protect) {
    DeconOptions options;
    options.protect = protect;
    if (!threads.is_none()) {
        options.threads = py::cast<int>(threads);
        if (options.threads < 1) throw py::value_error("threads must be 1 or more");
    }
    return options;
}

void WarnSkipped(const std::vector<std::string>& texts) {
    for (const std::string& text : texts)
        if (PyErr_WarnEx(PyExc_UserWarning, text.c_str(), 2) != 0) throw py::error_already_set();
}

std::string Joined(const std::string& first, const std::vector<std::string>& more) {
    std::string text = first;
    for (const std::string& line : more) text += " " + line;
    return text;
}

PixelArray Deconvolve(py::handle pixels, py::handle starsArg, int iterations, py::handle areaArg, bool protect,
                      py::object progress, py::handle threads) {
    CImage image;
    PixelsIntoImage(pixels, image);
    const std::vector<Star> stars = StarsFrom(starsArg);
    if (iterations < kMinIterations || iterations > kMaxIterations)
        throw py::value_error("iterations takes 1 to 10, not " + std::to_string(iterations));
    const std::optional<DeconRect> area = AreaFrom(areaArg);
    const DeconOptions options = OptionsFrom(threads, protect);
    if (!progress.is_none() && !PyCallable_Check(progress.ptr())) throw py::value_error("progress must be callable");

    RunHooks hooks(progress);
    DeconEngine engine;
    engine.SetHooks(&hooks);
    bool initialised = false;
    StartOutcome outcome = StartOutcome::refused;
    {
        py::gil_scoped_release released;
        initialised = engine.Init(image.Width, image.Height, options);
        if (initialised) {
            engine.SetImage(image.pixels.data());
            for (auto [x, y] : stars)
                if (engine.AddStar(x, y) != StarOutcome::used) hooks.NoteSkippedStar();
            const DeconRect rect = RunSelection(area ? &*area : nullptr, image.Width, image.Height);
            engine.SetSelection(rect.top, rect.left, rect.bottom, rect.right);
            outcome = engine.Start(iterations);
            if (outcome == StartOutcome::completed) engine.ReturnImage();
        }
    }
    if (!initialised) {
        PyObject* type = engine.ErrorText().rfind("Not enough memory", 0) == 0 ? PyExc_MemoryError : PyExc_ValueError;
        PyErr_SetString(type, engine.ErrorText().c_str());
        throw py::error_already_set();
    }
    if (outcome == StartOutcome::refused) throw py::value_error(Joined(engine.RefusalText(), hooks.skipped));
    if (outcome == StartOutcome::aborted) hooks.RaiseAbort(kTextRunAborted);
    WarnSkipped(hooks.skipped);
    hooks.Finished(kTextRunComplete);
    return ArrayFromImage(image);
}

py::array_t<float> Psf(py::handle pixels, py::handle starsArg) {
    CImage image;
    PixelsIntoImage(pixels, image);
    const std::vector<Star> stars = StarsFrom(starsArg);
    RunHooks hooks{py::none()};
    DeconEngine engine;
    engine.SetHooks(&hooks);
    bool initialised = false;
    {
        py::gil_scoped_release released;
        initialised = engine.Init(image.Width, image.Height, DeconOptions{1, nullptr, 0});
        if (initialised) {
            engine.SetImage(image.pixels.data());
            for (auto [x, y] : stars)
                if (engine.AddStar(x, y) != StarOutcome::used) hooks.NoteSkippedStar();
        }
    }
    if (!initialised) throw py::value_error(engine.ErrorText());
    if (engine.StarsUsed() == 0) throw py::value_error(Joined(kTextNoUsableStar, hooks.skipped));
    WarnSkipped(hooks.skipped);
    py::array_t<float> result({py::ssize_t(kPsfSize), py::ssize_t(kPsfSize)});
    std::memcpy(result.mutable_data(), engine.psf, sizeof engine.psf);
    return result;
}

}  // namespace

void BindDeconvolve(py::module_& m) {
    m.def("deconvolve", &Deconvolve, py::arg("pixels"), py::arg("stars"), py::arg("iterations") = 5,
          py::arg("area") = py::none(), py::arg("protect") = false, py::arg("progress") = py::none(),
          py::arg("threads") = py::none(),
          R"doc(Sharpens an image by damped Lucy-Richardson deconvolution and returns a new array.

pixels: 2-D array of whole numbers 0..65535 (rows, columns).
stars: (x, y) pairs (x the column, y the row) of stars whose light gives the
  point-spread function, in order; a star the engine cannot measure is left
  out with a UserWarning saying why.
iterations: 1..10; the engine runs 15 steps per iteration.
area: (left, top, right, bottom), right and bottom exclusive; by default the
  whole image. Either is pulled in to 10 pixels from every edge.
protect: the protected run (quorvane-cli deconvolve --protect): sharper
  star cores with the sky's grain kept and no dark rings; off by default.
progress: called as progress(fraction, text) as the run goes on; returning
  False stops it (Aborted is raised). An exception it raises stops the run
  and is raised again here.
threads: the engine's threads (default: every core); the result is the same
  for any number.

The interpreter lock is released while the engine works, so other Python
threads run meanwhile; Ctrl-C stops the run and raises KeyboardInterrupt.
The result is identical, bit for bit, to quorvane-cli deconvolve.

Raises ValueError for unusable arguments, when no star can be used or the
area is empty (with the engine's message); MemoryError when the machine
lacks the memory for the run.)doc");
    m.def("psf", &Psf, py::arg("pixels"), py::arg("stars"),
          R"doc(The 11 x 11 point-spread function (numpy.float32, sums to 1) that the
engine measures from the stars (x, y), blended in the order given. Stars the
engine cannot measure are left out with a UserWarning; ValueError when none
can be used.)doc");
}

}  // namespace qvpy

// The compiled part of the quorvane package; quorvane/__init__.py
// re-exports it with the pure-Python parts.

#include "bindings.h"
#include "errors.h"

PYBIND11_MODULE(_core, m) {
    m.doc() = "Quorvane's image files, deconvolution engine and measurements, for numpy.";
    qvpy::RegisterErrors(m);
    qvpy::BindImageIO(m);
    qvpy::BindDeconvolve(m);
    qvpy::BindMeasure(m);
    qvpy::BindOrbex(m);
    qvpy::BindPickStars(m);
}

#pragma once
// One Bind function per group of the module's functions.

#include <pybind11/pybind11.h>

namespace qvpy {

namespace py = pybind11;

void BindImageIO(py::module_& m);
void BindDeconvolve(py::module_& m);
void BindMeasure(py::module_& m);
void BindOrbex(py::module_& m);
void BindPickStars(py::module_& m);

}  // namespace qvpy

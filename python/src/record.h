#pragma once
// The image record's header fields as a Python dict and back. Keys are the
// record's field names (the native header keys: "Exposure", "Focal_length",
// ... and "cameraName", "fileType", "display", "fitsRecords", ...).

#include <pybind11/pybind11.h>

class CImage;

namespace qvpy {

namespace py = pybind11;

py::dict RecordToDict(const CImage& image);
// Sets the fields the dict names; an unknown key or a value of the wrong
// kind raises ValueError. Width, Height and File_version/Data_version are
// taken from elsewhere (pixels, the writer) and ignored here.
void ApplyRecord(const py::dict& record, CImage& image);

}  // namespace qvpy

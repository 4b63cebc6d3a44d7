// read() and write(): the program's own loading and saving, with its
// messages. Both hold the interpreter lock: the FITS library serves one call
// at a time and the notice capture is process-wide.

#include <exception>
#include <string>

#include "bindings.h"
#include "errors.h"
#include "image/fits_native_cards.h"
#include "image/image.h"
#include "pixels.h"
#include "platform/archive.h"
#include "platform/messages.h"
#include "record.h"

namespace qvpy {

namespace {

// The program's notice when it showed one, else the file error's text, on one line.
std::string FailureText(const ScopedMessageCapture& capture, const std::exception& error) {
    std::string text = capture.messages.empty() ? error.what() : capture.messages.front().text;
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

std::string PathText(py::handle path) {
    py::object fspath = py::module_::import("os").attr("fsdecode")(path);
    return py::cast<std::string>(fspath);
}

py::tuple Read(py::handle pathArg) {
    const std::string path = PathText(pathArg);
    CImage image;
    {
        ScopedMessageCapture capture;
        try {
            CArchive archive(path, CArchive::load);
            image.Serialize(archive);
        } catch (const std::exception& error) {
            ThrowFileError(path, FailureText(capture, error), true);
        }
    }
    return py::make_tuple(ArrayFromImage(image), RecordToDict(image));
}

void Write(py::handle pathArg, py::handle pixels, py::object record, py::object format) {
    const std::string path = PathText(pathArg);
    CImage image;
    if (!record.is_none()) ApplyRecord(py::cast<py::dict>(record), image);
    PixelsIntoImage(pixels, image);
    std::string target = format.is_none() ? (image.fileType == kFileFits ? "fits" : "native") : py::cast<std::string>(format);
    if (target == "fits" && image.fileType != kFileFits) {
        // The native fields travel as kept cards, which the FITS import reads back.
        image.fitsRecords = NativeFieldRecords(image);
        image.fileType = kFileFits;
    } else if (target == "native" && image.fileType == kFileFits) {
        image.fileType = kFileCompressed;
    } else if (target != "native" && target != "fits") {
        throw py::value_error("format takes \"native\" or \"fits\", not \"" + target + "\"");
    }
    ScopedMessageCapture capture;
    try {
        CArchive archive(path, CArchive::store);
        image.Serialize(archive);
        archive.Commit();
    } catch (const std::exception& error) {
        ThrowFileError(path, FailureText(capture, error));
    }
}

}  // namespace

void BindImageIO(py::module_& m) {
    m.def("read", &Read, py::arg("path"),
          R"doc(Reads a native image file or a FITS file.

Returns (pixels, record): pixels is a numpy.uint16 array of shape
(rows, columns), top row first; record is a dict of the image's header
fields under their field names ("Exposure", "Focal_length", "History",
"fileType", "display", "fitsRecords", ...).

Raises FileMissingError when the file does not exist and FileError (an
OSError) when it cannot be read or is refused, with the program's message.)doc");
    m.def("write", &Write, py::arg("path"), py::arg("pixels"), py::arg("record") = py::none(),
          py::arg("format") = py::none(),
          R"doc(Writes pixels (a 2-D array of whole numbers 0..65535) as an image file.

record is a dict as read() returns (any subset of its fields; Width and
Height follow from pixels). format is "native" or "fits"; by default the
format the record came from (native when there is no record). The file is
written beside its target and renamed into place, so a failed save leaves
an existing file untouched.

Raises FileError with the program's message when the file cannot be
written, ValueError for unusable pixels, record fields or format.)doc");
}

}  // namespace qvpy

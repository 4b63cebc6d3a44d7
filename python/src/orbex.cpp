// quorvane.orbex: the FITS library's header listing and its packed-file
// conversions, through the library's exported functions only. The library
// reports failures as numbered lines on stderr; they are caught for the
// duration of each call and become the exception's message.

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "bindings.h"
#include "errors.h"
#include "orbex.h"

namespace qvpy {

namespace {

// Sends fd 2 into a temporary file while it lives; Text() returns what came.
class StderrCapture {
public:
    StderrCapture() {
        std::fflush(stderr);
        file_ = std::tmpfile();
        saved_ = dup(STDERR_FILENO);
        if (file_ && saved_ >= 0 && dup2(fileno(file_), STDERR_FILENO) < 0) Restore();
    }
    ~StderrCapture() {
        Restore();
        if (file_) std::fclose(file_);
    }
    std::string Text() {
        Restore();
        std::string text;
        if (!file_) return text;
        std::rewind(file_);
        char buffer[512];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, file_)) > 0) text.append(buffer, got);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        for (char& c : text)
            if (c == '\n') c = ' ';
        return text;
    }

private:
    void Restore() {
        if (saved_ < 0) return;
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
        saved_ = -1;
    }
    std::FILE* file_ = nullptr;
    int saved_ = -1;
};

struct HeaderCloser {
    void operator()(FITSHEADER* hdr) const { fits_close(hdr); }
};
using Header = std::unique_ptr<FITSHEADER, HeaderCloser>;

std::string PathText(py::handle path) { return py::cast<std::string>(py::module_::import("os").attr("fsdecode")(path)); }

[[noreturn]] void Fail(const std::string& path, StderrCapture& capture, const std::string& fallback, bool reading = false) {
    std::string text = capture.Text();
    ThrowFileError(path, text.empty() ? fallback : text, reading);
}

Header Open(const std::string& path, StderrCapture& capture) {
    fits_init();
    Header hdr(p_fits_open(path.c_str(), 0));
    if (!hdr) Fail(path, capture, "not a readable FITS file", true);
    return hdr;
}

uint64_t PixelCount(const FITSHEADER* hdr) {
    const int32_t axes = hdr->keys[KEY_NAXIS].value.integer;
    if (axes < 1 || axes > 4) throw py::value_error("only images of 1 to 4 axes can be converted, not " + std::to_string(axes));
    uint64_t count = 1;
    for (int32_t axis = 0; axis < axes; ++axis) count *= uint64_t(std::max(0, hdr->keys[KEY_NAXIS1 + axis].value.integer));
    return count;
}

// Stored values from the physical floats fits_read gives. Exact only when
// the file does not scale (BSCALE 1, whole BZERO) and integers stay within
// the 24 bits a float holds; anything else is refused rather than altered.
template <class T>
bool Unscale(const std::vector<float>& values, double bzero, int64_t blank, bool hasBlank, std::vector<uint8_t>& raw) {
    raw.resize(values.size() * sizeof(T));
    T* out = reinterpret_cast<T*>(raw.data());
    for (size_t i = 0; i < values.size(); ++i) {
        const float f = values[i];
        if (std::isnan(f)) {
            if (!hasBlank) return false;
            out[i] = T(blank);
            continue;
        }
        if (std::fabs(double(f)) > double(1 << 24)) return false;
        const double stored = double(f) - bzero;
        if (stored < double(std::numeric_limits<T>::min()) || stored > double(std::numeric_limits<T>::max())) return false;
        out[i] = T(stored);
    }
    return true;
}

void Convert(const std::string& in, const std::string& out, PACK mode) {
    StderrCapture capture;
    Header target = Open(in, capture);
    Header source = Open(in, capture);
    const int32_t bitpix = target->keys[KEY_BITPIX].value.integer;
    const uint64_t count = PixelCount(target.get());
    std::vector<float> values(count);
    if (!fits_read(source.get(), values.data(), std::numeric_limits<float>::quiet_NaN(), false, nullptr))
        Fail(in, capture, "its data could not be read");
    const double bzero = target->keys[KEY_BZERO].present ? target->keys[KEY_BZERO].value.real : 0.0;
    const bool scaled = target->keys[KEY_BSCALE].present && target->keys[KEY_BSCALE].value.real != 1.0;
    const bool hasBlank = target->keys[KEY_BLANK].present;
    const int64_t blank = target->keys[KEY_BLANK].value.integer;
    std::vector<uint8_t> raw;
    bool exact = !scaled && bzero == std::trunc(bzero);
    if (exact) {
        switch (bitpix) {
        case 8: exact = Unscale<uint8_t>(values, bzero, blank, hasBlank, raw); break;
        case 16: exact = Unscale<int16_t>(values, bzero, blank, hasBlank, raw); break;
        case 32: exact = Unscale<int32_t>(values, bzero, blank, hasBlank, raw); break;
        case -32:
            raw.resize(count * sizeof(float));
            std::memcpy(raw.data(), values.data(), raw.size());
            break;
        default: exact = false;
        }
    }
    if (!exact) throw py::value_error(in + ": its values cannot be carried over exactly (BITPIX " + std::to_string(bitpix) +
                                      ", scaled or beyond 24 bits)");
    if (!fits_write(target.get(), raw.data(), mode, out.c_str())) Fail(out, capture, "could not be written");
}

py::list HeaderCards(py::handle pathArg) {
    const std::string path = PathText(pathArg);
    StderrCapture capture;
    Header hdr = Open(path, capture);
    py::list cards;
    for (int i = 0; i < hdr->ncards; ++i) {
        int length = ORBEX_CARD_CHARS;
        while (length > 0 && hdr->cards[i].text[length - 1] == ' ') --length;
        cards.append(py::reinterpret_steal<py::str>(PyUnicode_DecodeLatin1(hdr->cards[i].text, length, nullptr)));
    }
    return cards;
}

void Pack(py::handle in, py::handle out, const std::string& mode) {
    PACK pack;
    if (mode == "direct") pack = PACK_DIRECT;
    else if (mode == "diff") pack = PACK_DIFF;
    else if (mode == "best") pack = PACK_BEST;
    else throw py::value_error("mode takes \"direct\", \"diff\" or \"best\", not \"" + mode + "\"");
    Convert(PathText(in), PathText(out), pack);
}

void Unpack(py::handle in, py::handle out) { Convert(PathText(in), PathText(out), PACK_NONE); }

}  // namespace

void BindOrbex(py::module_& m) {
    py::module_ orbex = m.def_submodule("orbex", "The Orbex FITS library: header listing and packed FITS files.");
    orbex.def("header", &HeaderCards, py::arg("path"),
              "The header cards of a FITS file (plain or packed), trailing blanks removed, END left out.\n"
              "Raises FileError with the library's message when the file cannot be read.");
    orbex.def("pack", &Pack, py::arg("path"), py::arg("out"), py::arg("mode") = "best",
              "Writes the FITS file at path as a packed FITS file at out (mode \"direct\", \"diff\" or\n"
              "\"best\"). Values are carried over exactly or not at all: ValueError for data the\n"
              "library's float interface cannot carry exactly. FileError with the library's message\n"
              "when a file cannot be read or written.");
    orbex.def("unpack", &Unpack, py::arg("path"), py::arg("out"),
              "Writes the (packed) FITS file at path as a plain FITS file at out; errors as pack().");
}

}  // namespace qvpy

#include "record.h"

#include <pybind11/stl.h>

#include <string>
#include <vector>

#include "image/image.h"

namespace qvpy {

namespace {

constexpr size_t kCardChars = 80;

struct IntField {
    const char* name;
    int32_t CImage::*member;
};
struct DoubleField {
    const char* name;
    double CImage::*member;
};
struct TextField {
    const char* name;
    std::string CImage::*member;
};

const IntField kIntFields[] = {
    {"Exposure", &CImage::Exposure},       {"Track_time", &CImage::Track_time},
    {"Number_exposures", &CImage::Number_exposures}, {"Each_exposure", &CImage::Each_exposure},
    {"Exposure_state", &CImage::Exposure_state}, {"Pedestal", &CImage::Pedestal},
    {"cameraIndex", &CImage::cameraIndex}, {"imageKind", &CImage::imageKind},
    {"fileType", &CImage::fileType},       {"Readout_mode", &CImage::Readout_mode},
};
const DoubleField kDoubleFields[] = {
    {"Focal_length", &CImage::Focal_length}, {"Aperture", &CImage::Aperture},
    {"Response_factor", &CImage::Response_factor}, {"Temperature", &CImage::Temperature},
    {"X_pixel_size", &CImage::X_pixel_size}, {"Y_pixel_size", &CImage::Y_pixel_size},
    {"E_gain", &CImage::E_gain},
};
const TextField kTextFields[] = {
    {"cameraName", &CImage::cameraName}, {"Note", &CImage::Note},     {"Date", &CImage::Date},
    {"Time", &CImage::Time},             {"History", &CImage::History}, {"Observer", &CImage::Observer},
    {"Filter", &CImage::Filter},         {"User_1", &CImage::User_1}, {"User_2", &CImage::User_2},
    {"User_3", &CImage::User_3},         {"User_4", &CImage::User_4},
};
// Read-only: they describe the file or follow from the pixels.
const char* const kIgnoredKeys[] = {"Width", "Height", "File_version", "Data_version"};

// Cards of 80 characters each, trailing blanks kept.
py::list Cards(const char* text, size_t size) {
    py::list cards;
    for (size_t at = 0; at + kCardChars <= size; at += kCardChars) cards.append(py::reinterpret_steal<py::str>(PyUnicode_DecodeLatin1(text + at, kCardChars, nullptr)));
    return cards;
}

std::string TextFromPython(py::handle value, const std::string& name);

std::string CardText(py::handle cards, const char* key) {
    std::string text;
    for (py::handle card : cards) {
        std::string line = TextFromPython(card, key);
        if (line.size() > kCardChars) throw py::value_error(std::string("record[\"") + key + "\"] holds a card longer than 80 characters");
        for (unsigned char c : line)
            if (c < 0x20 || c > 0x7E) throw py::value_error(std::string("record[\"") + key + "\"] holds a card with a character FITS does not allow");
        line.resize(kCardChars, ' ');
        text += line;
    }
    return text;
}

py::dict DisplayToDict(const DisplaySettings& display) {
    py::dict d;
    d["back"] = display.back;
    d["range"] = display.range;
    d["smooth"] = display.smooth;
    d["autoContrast"] = display.autoContrast;
    d["invert"] = display.invert;
    d["zoom"] = display.zoom;
    return d;
}

void ApplyDisplay(const py::dict& d, DisplaySettings& display) {
    struct Entry {
        const char* name;
        int32_t DisplaySettings::*member;
    };
    static const Entry entries[] = {{"back", &DisplaySettings::back},       {"range", &DisplaySettings::range},
                                    {"smooth", &DisplaySettings::smooth},   {"autoContrast", &DisplaySettings::autoContrast},
                                    {"invert", &DisplaySettings::invert},   {"zoom", &DisplaySettings::zoom}};
    for (auto [key, value] : d) {
        const std::string name = py::cast<std::string>(key);
        bool known = false;
        for (const Entry& e : entries)
            if (name == e.name) display.*e.member = py::cast<int32_t>(value), known = true;
        if (!known) throw py::value_error("record[\"display\"] has no field \"" + name + "\"");
    }
}

// Header texts are bytes; Latin-1 maps each byte to one character and back,
// so any stored text survives a round trip unchanged.
py::str TextToPython(const std::string& text) {
    return py::reinterpret_steal<py::str>(PyUnicode_DecodeLatin1(text.data(), py::ssize_t(text.size()), nullptr));
}

std::string TextFromPython(py::handle value, const std::string& name) {
    if (!py::isinstance<py::str>(value)) throw py::value_error("record[\"" + name + "\"] must be text, not " + std::string(py::repr(value)));
    PyObject* bytes = PyUnicode_AsLatin1String(value.ptr());
    if (!bytes) {
        PyErr_Clear();
        throw py::value_error("record[\"" + name + "\"] holds characters outside Latin-1");
    }
    py::bytes held = py::reinterpret_steal<py::bytes>(bytes);
    return std::string(held);
}

template <class T>
T CastField(py::handle value, const std::string& name) {
    try {
        return py::cast<T>(value);
    } catch (const py::cast_error&) {
        throw py::value_error("record[\"" + name + "\"] has a value of the wrong kind: " + std::string(py::repr(value)));
    }
}

bool ApplyOne(const std::string& name, py::handle value, CImage& image) {
    for (const IntField& f : kIntFields)
        if (name == f.name) return image.*f.member = CastField<int32_t>(value, name), true;
    for (const DoubleField& f : kDoubleFields)
        if (name == f.name) return image.*f.member = CastField<double>(value, name), true;
    for (const TextField& f : kTextFields)
        if (name == f.name) return image.*f.member = TextFromPython(value, name), true;
    if (name == "Sat_level") return image.Sat_level = CastField<uint32_t>(value, name), true;
    if (name == "display") return ApplyDisplay(CastField<py::dict>(value, name), image.display), true;
    if (name == "fitsRecords") {
        std::string text = CardText(value, "fitsRecords");
        image.fitsRecords.assign(text.begin(), text.end());
        image.fitsRecords.push_back('\0');
        return true;
    }
    if (name == "fitsHistoryCards") return image.fitsHistoryCards = CardText(value, "fitsHistoryCards"), true;
    for (const char* ignored : kIgnoredKeys)
        if (name == ignored) return true;
    return false;
}

}  // namespace

py::dict RecordToDict(const CImage& image) {
    py::dict d;
    for (const IntField& f : kIntFields) d[f.name] = image.*f.member;
    for (const DoubleField& f : kDoubleFields) d[f.name] = image.*f.member;
    for (const TextField& f : kTextFields) d[f.name] = TextToPython(image.*f.member);
    d["Sat_level"] = image.Sat_level;
    d["Width"] = image.Width;
    d["Height"] = image.Height;
    d["File_version"] = image.File_version;
    d["Data_version"] = image.Data_version;
    d["display"] = DisplayToDict(image.display);
    const size_t records = image.fitsRecords.empty() ? 0 : image.fitsRecords.size() - 1;
    d["fitsRecords"] = Cards(image.fitsRecords.data(), records);
    d["fitsHistoryCards"] = Cards(image.fitsHistoryCards.data(), image.fitsHistoryCards.size());
    return d;
}

void ApplyRecord(const py::dict& record, CImage& image) {
    for (auto [key, value] : record) {
        if (!py::isinstance<py::str>(key)) throw py::value_error("record keys must be field names (text)");
        const std::string name = py::cast<std::string>(key);
        if (!ApplyOne(name, value, image)) throw py::value_error("record has no field \"" + name + "\"");
    }
}

}  // namespace qvpy

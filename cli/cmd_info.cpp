// quorvane-cli info FILE [--json]: the image parameters as printed, or every
// header field as JSON.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "cli/commands.h"
#include "image/image.h"

namespace {

class JsonObject {
public:
    void Text(const char* key, std::string_view value) { Add(key, JsonString(value)); }
    void Number(const char* key, double value) { Add(key, JsonNumber(value)); }
    void Number(const char* key, int64_t value) { Add(key, std::to_string(value)); }
    void TextList(const char* key, const std::vector<std::string>& values) {
        std::string list = "[";
        for (const std::string& value : values) list += (list.size() > 1 ? ", " : "") + JsonString(value);
        Add(key, list + "]");
    }
    std::string Close() const { return body_ + "\n}\n"; }

private:
    void Add(const char* key, const std::string& value) {
        body_ += body_.size() > 1 ? ",\n  " : "\n  ";
        body_ += JsonString(key) + ": " + value;
    }
    std::string body_ = "{";
};

std::string FitsRecordsText(const CImage& image) {
    // The buffer ends with one terminating zero that is not part of the text.
    if (image.fitsRecords.empty()) return {};
    return std::string(image.fitsRecords.data(), image.fitsRecords.size() - 1);
}

// The record fields that hold a stand-in because the file did not give them.
std::vector<std::string> DefaultFieldList(const CImage& image) {
    std::vector<std::string> names;
    for (const DefaultFieldName& field : kDefaultFieldNames)
        if (image.defaultFields & field.bit) names.push_back(field.name);
    return names;
}

std::string InfoJson(const CImage& image) {
    JsonObject json;
    json.Text("cameraName", image.cameraName);
    json.Number("cameraIndex", int64_t(image.cameraIndex));
    json.Number("fileType", int64_t(image.fileType));
    json.Number("imageKind", int64_t(image.imageKind));
    json.Number("Focal_length", image.Focal_length);
    json.Number("Aperture", image.Aperture);
    json.Number("Response_factor", image.Response_factor);
    json.Number("Exposure", int64_t(image.Exposure));
    json.Number("Track_time", int64_t(image.Track_time));
    json.Text("Note", image.Note);
    json.Text("Date", image.Date);
    json.Text("Time", image.Time);
    json.Number("Temperature", image.Temperature);
    json.Number("Number_exposures", int64_t(image.Number_exposures));
    json.Number("Each_exposure", int64_t(image.Each_exposure));
    json.Text("History", image.History);
    json.Text("Observer", image.Observer);
    json.Number("Exposure_state", int64_t(image.Exposure_state));
    json.Number("X_pixel_size", image.X_pixel_size);
    json.Number("Y_pixel_size", image.Y_pixel_size);
    json.Number("Pedestal", int64_t(image.Pedestal));
    json.Number("E_gain", image.E_gain);
    json.Number("Height", int64_t(image.Height));
    json.Number("Width", int64_t(image.Width));
    json.Text("Filter", image.Filter);
    json.Number("Readout_mode", int64_t(image.Readout_mode));
    json.Text("User_1", image.User_1);
    json.Text("User_2", image.User_2);
    json.Text("User_3", image.User_3);
    json.Text("User_4", image.User_4);
    json.Number("Sat_level", int64_t(image.Sat_level));
    json.Number("File_version", int64_t(image.File_version));
    json.Number("Data_version", int64_t(image.Data_version));
    json.Number("back", int64_t(image.display.back));
    json.Number("range", int64_t(image.display.range));
    json.Number("smooth", int64_t(image.display.smooth));
    json.Number("autoContrast", int64_t(image.display.autoContrast));
    json.Number("invert", int64_t(image.display.invert));
    json.Number("zoom", int64_t(image.display.zoom));
    json.Number("X_binning", int64_t(image.X_binning));
    json.Number("Y_binning", int64_t(image.Y_binning));
    json.TextList("defaults", DefaultFieldList(image));
    json.Text("fitsRecords", FitsRecordsText(image));
    return json.Close();
}

// The printed parameters text, titled with the file's name as a window would be.
std::string ParametersText(const CImage& image, const std::string& path) {
    std::string text;
    image.ParametersReport(text, std::filesystem::path(path).filename().string());
    return text + "\n";
}

}  // namespace

int RunInfo(const std::vector<std::string>& args) {
    std::string problem;
    auto parsed = ParseArgs(args, {{"--json", false}}, 1, 1, problem);
    if (!parsed) return UsageError("info", problem);
    CImage image;
    if (!LoadImageFile(parsed->positional[0], image)) return kExitFailed;
    std::string text = parsed->Has("--json") ? InfoJson(image) : ParametersText(image, parsed->positional[0]);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kExitOk;
}

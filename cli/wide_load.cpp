#include "cli/wide_load.h"

#include <filesystem>
#include <system_error>

#include "cli/cli_common.h"
#include "image/fits_reader.h"
#include "image/image.h"

bool ParseScaleOption(const std::optional<std::string>& text, std::optional<WideScale>& scale,
                      std::string& problem) {
    scale.reset();
    if (!text)
        return true;
    scale = ParseWideScale(*text);
    if (!scale)
        problem = "--scale takes auto or MIN,MAX with MIN below MAX, not \"" + *text + "\"";
    return scale.has_value();
}

bool LoadImageFileScaled(const std::string& path, CImage& image,
                         const std::optional<WideScale>& scale) {
    if (!scale)
        return LoadImageFile(path, image, "Convert it with --scale auto or --scale MIN,MAX");
    std::optional<WideFitsFile> wide = ProbeWideFits(path);
    if (!wide)
        return LoadImageFile(path, image);
    WideMapping mapping;
    FitsImportOutcome outcome = ImportWideFits(image, path, *scale, mapping);
    if (outcome != FitsImportOutcome::ok) {
        PrintError(path + ": " + FitsImportFailureText(outcome));
        return false;
    }
    PrintError(path + ": " + WideMappingText(*wide, mapping));
    return true;
}

bool DistinctOutput(const std::string& in, const std::string& out) {
    std::error_code error;
    if (std::filesystem::equivalent(in, out, error) && !error) {
        PrintError(out + ": is the input file; a converted image is saved under a new name");
        return false;
    }
    return true;
}

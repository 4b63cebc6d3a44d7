// quorvane-cli convert IN OUT [--to native|fits] [--scale auto|MIN,MAX]: load
// and save; without --to the image keeps the format it came in. --scale maps
// an image of values wider than 16 bits onto 16 bits.

#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "cli/commands.h"
#include "cli/wide_load.h"
#include "image/fits_native_cards.h"
#include "image/image.h"

int RunConvert(const std::vector<std::string>& args) {
    std::string problem;
    auto parsed = ParseArgs(args, {{"--to", true}, {"--scale", true}}, 2, 2, problem);
    if (!parsed) return UsageError("convert", problem);
    std::optional<WideScale> scale;
    if (!ParseScaleOption(parsed->Value("--scale"), scale, problem)) return UsageError("convert", problem);
    std::string target = parsed->Value("--to").value_or("");
    if (!target.empty() && target != "native" && target != "fits")
        return UsageError("convert", "--to takes native or fits, not \"" + target + "\"");

    CImage image;
    if (scale && !DistinctOutput(parsed->positional[0], parsed->positional[1])) return kExitFailed;
    if (!LoadImageFileScaled(parsed->positional[0], image, scale)) return kExitFailed;
    if (target == "fits" && image.fileType != kFileFits) {
        // The FITS writer's own cards hold only size and display levels; the
        // native fields travel as kept cards that the FITS import reads back.
        image.fitsRecords = NativeFieldRecords(image);
        image.fileType = kFileFits;
    } else if (target == "native" && image.fileType == kFileFits)
        image.fileType = kFileCompressed;
    return SaveImageFile(parsed->positional[1], image) ? kExitOk : kExitFailed;
}

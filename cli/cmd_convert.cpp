// quorvane-cli convert IN OUT [--to native|fits]: load and save; without
// --to the image keeps the format it came in.

#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "cli/commands.h"
#include "image/fits_native_cards.h"
#include "image/image.h"

int RunConvert(const std::vector<std::string>& args) {
    std::string problem;
    auto parsed = ParseArgs(args, {{"--to", true}}, 2, 2, problem);
    if (!parsed) return UsageError("convert", problem);
    std::string target = parsed->Value("--to").value_or("");
    if (!target.empty() && target != "native" && target != "fits")
        return UsageError("convert", "--to takes native or fits, not \"" + target + "\"");

    CImage image;
    if (!LoadImageFile(parsed->positional[0], image)) return kExitFailed;
    if (target == "fits" && image.fileType != kFileFits) {
        // The FITS writer's own cards hold only size and display levels; the
        // native fields travel as kept cards that the FITS import reads back.
        image.fitsRecords = NativeFieldRecords(image);
        image.fileType = kFileFits;
    } else if (target == "native" && image.fileType == kFileFits)
        image.fileType = kFileCompressed;
    return SaveImageFile(parsed->positional[1], image) ? kExitOk : kExitFailed;
}

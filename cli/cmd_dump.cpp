// quorvane-cli dump FILE OUT.raw: the pixels as little-endian 16-bit values,
// row-major, top row first.

#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "cli/commands.h"
#include "image/image.h"

int RunDump(const std::vector<std::string>& args) {
    std::string problem;
    auto parsed = ParseArgs(args, {}, 2, 2, problem);
    if (!parsed) return UsageError("dump", problem);
    CImage image;
    if (!LoadImageFile(parsed->positional[0], image)) return kExitFailed;
    std::string bytes;
    bytes.reserve(image.pixels.size() * 2);
    for (uint16_t value : image.pixels) {
        bytes += char(value & 0xFF);
        bytes += char(value >> 8);
    }
    return WriteFileAtomically(parsed->positional[1], bytes) ? kExitOk : kExitFailed;
}

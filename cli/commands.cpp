#include "cli/commands.h"

#include <cstdio>

#include "cli/cli_common.h"

// Each command lives in its own cmd_<name>.cpp.
int RunInfo(const std::vector<std::string>& args);
int RunDump(const std::vector<std::string>& args);
int RunConvert(const std::vector<std::string>& args);
int RunRender(const std::vector<std::string>& args);
int RunMeasure(const std::vector<std::string>& args);
int RunProfile(const std::vector<std::string>& args);
int RunDeconvolve(const std::vector<std::string>& args);
int RunQuality(const std::vector<std::string>& args);

const std::vector<CliCommand>& CliCommands() {
    static const std::vector<CliCommand> commands = {
        {"info", "FILE [--json]", "print the image parameters (every header field with --json)", RunInfo},
        {"dump", "FILE OUT.raw", "write the pixels as little-endian 16-bit values, top row first", RunDump},
        {"convert", "IN OUT [--to native|fits] [--scale auto|MIN,MAX]", "load an image and save it again", RunConvert},
        {"render", "IN OUT.png [--back B] [--range R] [--auto] [--smooth] [--invert] [--zoom 0..4]",
         "write the image as its window shows it, as a grey PNG", RunRender},
        {"measure", "IN X Y [--box N]", "print the crosshair readouts at a pixel as JSON", RunMeasure},
        {"profile", "IN X Y [--box N]", "print the stellar profile of the star found from a pixel as JSON",
         RunProfile},
        {"deconvolve", "IN OUT (--star X,Y [--star X,Y ...] | --auto-stars N) [--iterations 1..10] [--area LEFT,TOP,RIGHT,BOTTOM] [--protect] [--scale auto|MIN,MAX] [--quiet]"
                       " [--verbose] [--json] [--keep-iterations DIR]",
         "sharpen by Lucy-Richardson with a PSF from the stars; saved in IN's format (--protect: sharper cores, the sky's grain kept, no dark rings or seam)", RunDeconvolve},
        {"quality", "BEFORE AFTER [--area LEFT,TOP,RIGHT,BOTTOM] [--json]",
         "star widths, sky noise, dark rings, flux and the area's edge before and after a run "
         "(quality --help says how each is measured)",
         RunQuality},
    };
    return commands;
}

const CliCommand* FindCliCommand(const std::string& name) {
    for (const CliCommand& command : CliCommands()) {
        if (name == command.name) return &command;
    }
    return nullptr;
}

int UsageError(const std::string& command, const std::string& problem) {
    PrintError(command + ": " + problem);
    if (const CliCommand* entry = FindCliCommand(command))
        std::fprintf(stderr, "usage: quorvane-cli %s %s\n", entry->name, entry->usage);
    return kExitUsage;
}

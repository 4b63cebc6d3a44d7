// quorvane-cli: the program's image operations without a window.

#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "cli/commands.h"

namespace {

void PrintUsage(std::FILE* out) {
    std::fprintf(out, "usage: quorvane-cli COMMAND ARGS...\n\ncommands:\n");
    for (const CliCommand& command : CliCommands())
        std::fprintf(out, "  %s %s\n      %s\n", command.name, command.usage, command.summary);
    std::fprintf(out, "\nCoordinates: x = column, y = row, 0-based from the top-left pixel.\n");
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintUsage(stdout);
        return kExitOk;
    }
    const CliCommand* command = FindCliCommand(args[0]);
    if (!command) {
        PrintError("unknown command \"" + args[0] + "\"");
        PrintUsage(stderr);
        return kExitUsage;
    }
    try {
        return command->run(std::vector<std::string>(args.begin() + 1, args.end()));
    } catch (const std::bad_alloc&) {
        PrintError(args[0] + ": there is not enough memory for this image; no output was written");
        return kExitFailed;
    } catch (const std::exception& error) {
        PrintError(error.what());
        return kExitFailed;
    }
}

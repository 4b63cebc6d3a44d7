#include "cli/commands.h"

#include <cstdio>

#include "cli/cli_common.h"

// Each command lives in its own cmd_<name>.cpp.
int RunInfo(const std::vector<std::string>& args);
int RunDump(const std::vector<std::string>& args);
int RunConvert(const std::vector<std::string>& args);

const std::vector<CliCommand>& CliCommands() {
    static const std::vector<CliCommand> commands = {
        {"info", "FILE [--json]", "print the image's header fields", RunInfo},
        {"dump", "FILE OUT.raw", "write the pixels as little-endian 16-bit values, top row first", RunDump},
        {"convert", "IN OUT [--to native|fits]", "load an image and save it again", RunConvert},
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

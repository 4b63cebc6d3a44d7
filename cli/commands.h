#pragma once
// The table of quorvane-cli commands.

#include <string>
#include <vector>

using CommandFunction = int (*)(const std::vector<std::string>& args);

struct CliCommand {
    const char* name;
    const char* usage;  // the arguments after the command name
    const char* summary;
    CommandFunction run;
};

const std::vector<CliCommand>& CliCommands();
const CliCommand* FindCliCommand(const std::string& name);

// Prints the problem and the command's usage line; returns kExitUsage.
int UsageError(const std::string& command, const std::string& problem);

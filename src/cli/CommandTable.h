#pragma once

#include "cli/CliArguments.h"
#include "cli/Reporter.h"

#include <cstddef>
#include <string>
#include <vector>

namespace kdx::cli {

// What Ctrl-C does to a command that still ends well.
enum class OnInterrupt {
    // The run was cut short: exit 130.
    ExitInterrupted,
    // The command's own outcome stands: monitor ends on Ctrl-C by design;
    // write and flash run to their verified end once sending began.
    OwnOutcome,
};

// One subcommand of kdx-cli: its help, what it accepts and how it runs.
// A new command is one row in cliCommands() and its run function.
struct CliCommand {
    const char* name;
    const char* synopsis;
    const char* description;
    std::vector<std::string> options; // beyond the common ones
    size_t minOperands;
    size_t maxOperands;
    int (*run)(const CliArguments& args, Reporter& out); // the process's exit code
    OnInterrupt onInterrupt;
};

// Every option of the command line: whether it is given to every command
// and whether it takes a value (--port P, or --port=P).
struct CliOption {
    const char* name;
    bool common;
    bool takesValue;
};

// The commands, in the order --help lists them.
const std::vector<CliCommand>& cliCommands();
// Null when there is no such command.
const CliCommand* findCliCommand(const std::string& name);
// Null when there is no such option.
const CliOption* findCliOption(const std::string& name);

} // namespace kdx::cli

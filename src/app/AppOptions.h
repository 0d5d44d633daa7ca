#pragma once

#include <string>
#include <vector>

namespace kdx {

// What the command line asks for.
struct AppOptions {
    std::vector<std::string> ports; // --port PATH, in the order given; searched first
    bool demo = false;              // --demo: add the built-in simulated controller
    bool tester = false;            // --tester: show the production tester page
};

struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    AppOptions options;
    std::string error; // for Action::Error: what was wrong
};

// Parses the arguments after the program name. Pure: prints nothing.
CommandLine parseCommandLine(const std::vector<std::string>& args);

// The text printed for --help.
std::string usageText(const std::string& programName);

// The text printed for --version.
std::string versionText();

} // namespace kdx

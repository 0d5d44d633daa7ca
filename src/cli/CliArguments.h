#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kdx::cli {

// What the command line of kdx-cli asks for: one subcommand, its operands and
// options. Parsed by a pure function that prints nothing.
struct CliArguments {
    std::string command;               // "ports", "identify", "read", "write", ...; empty: none given
    std::vector<std::string> operands; // words after the command that are not options
    std::vector<std::string> ports;    // --port PATH, in the order given
    bool demo = false;                 // --demo: the built-in simulated controller as a port
    bool json = false;                 // --json: one JSON object per result on stdout
    bool progress = false;             // --progress: with --json, one object per progress step too
    bool quiet = false;                // --quiet: no progress, no notes on stderr
    bool raw = false;                  // read --raw: the 512 image bytes instead of a parameter file
    bool dryRun = false;               // write --dry-run: print the differences, send nothing
    bool restore = false;              // flash --restore: load the backup back afterwards
    bool serialFromFile = false;       // write: a blank serial number is given the file's
    bool allowOther = false;           // write: take a file of another controller, version or uninitialised
    bool exitCode = false;             // diff: exit 1 when the sets differ
    bool help = false;                 // --help (for the command when one is given)
    bool version = false;              // --version
    std::string output;                // read -o FILE ("-": stdout)
    std::string csv;                   // monitor --csv FILE
    std::optional<double> seconds;     // monitor --seconds N
};

struct ParsedArguments {
    CliArguments args;
    std::string error; // empty when the line is valid
    bool ok() const { return error.empty(); }
};

ParsedArguments parseCliArguments(const std::vector<std::string>& args);

// --help text: the overview without a command, else the command's own.
std::string cliUsage(const std::string& command = {});

} // namespace kdx::cli

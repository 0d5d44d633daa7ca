#include "cli/CliArguments.h"

#include <charconv>
#include <cmath>
#include <map>
#include <set>

namespace kdx::cli {

namespace {

struct CommandInfo {
    const char* synopsis;
    const char* description;
    std::set<std::string> options; // beyond the common ones
    size_t minOperands;
    size_t maxOperands;
};

const std::map<std::string, CommandInfo>& commands()
{
    static const std::map<std::string, CommandInfo> table{
        {"ports",
         {"kdx-cli ports [--port P]...",
          "Lists the serial devices a connection search would try, in the order it tries them,\n"
          "with their stable /dev/serial/by-id names and why a device cannot be opened.",
          {"--port"}, 0, 0}},
        {"identify",
         {"kdx-cli identify [--port P]...",
          "Finds the controller and prints its hardware and software version, revision and\n"
          "serial number. Without --port every candidate is asked; two controllers answering\n"
          "is refused (exit 4): name one with --port. Nothing is written to the controller.",
          {"--port"}, 0, 0}},
        {"read",
         {"kdx-cli read [--port P]... [-o FILE] [--raw]",
          "Reads the controller's whole 512-byte parameter memory and writes it as a parameter\n"
          "file (the format of the window's Save To Disk): to FILE, to stdout with -o -, or\n"
          "without -o to parametry/KDX_<serial>_<date>_<time>_manual.kdx below the current\n"
          "folder. With --raw the image is written as its 512 bytes (to FILE, or to stdout\n"
          "when no -o is given). Nothing is written to the controller.",
          {"--port", "-o", "--output", "--raw"}, 0, 0}},
        {"write",
         {"kdx-cli write FILE [--port P]... [--dry-run] [--serial-from-file]",
          "Loads a parameter file into the controller as the window's Load to ECU does: only\n"
          "the words that differ are sent, then saved to the EEPROM, then the whole memory is\n"
          "read back and compared (exit 7 when the controller does not hold the file's values).\n"
          "The controller's connection log and serial number are kept; --serial-from-file\n"
          "gives a controller whose serial number is blank the one in the file. --dry-run\n"
          "prints the differences and sends nothing. Ctrl-C before the first word is sent\n"
          "stops with nothing sent; once sending has begun it goes on to the verified end.",
          {"--port", "--dry-run", "--serial-from-file"}, 1, 1}},
        {"diff",
         {"kdx-cli diff A B [--port P]...",
          "Compares two parameter sets field by field, in the editors' units. A and B are\n"
          "each a parameter file, ecu: (the connected controller, read now) or defaults (the\n"
          "default set of RESET PARAMETERS!, with the other side's serial number and log).\n"
          "Exit 0 whether or not they differ; the count is in the output.",
          {"--port"}, 2, 2}},
        {"flash",
         {"kdx-cli flash FIRMWARE.hex [--port P]... [--restore]",
          "Upgrades the controller's firmware as the window's upgrade button does: the file is\n"
          "checked whole first, the parameters are saved to parametry/ (reason before-upgrade)\n"
          "before anything is sent, every block is written through the bootloader, and the\n"
          "controller must come back reporting the file's version (exit 7 when it does not).\n"
          "--restore loads the backup into the controller afterwards (verified as write does).\n"
          "Ctrl-C before the controller is handed to its bootloader stops with nothing sent;\n"
          "after that the upgrade runs to its end, as a stopped one leaves no application.",
          {"--port", "--restore"}, 1, 1}},
        {"test",
         {"kdx-cli test SERIAL [--port P]...",
          "Runs the production test of the tester page on the connected controller: the\n"
          "serial number is checked as the tester checks it, the outputs are run through\n"
          "the service run, and the result file SERIAL.txt is written in the current folder\n"
          "as the tester writes it. Exit 0 when the board is sound, 8 when it is not.",
          {"--port"}, 1, 1}},
        {"monitor",
         {"kdx-cli monitor [--port P]... [--seconds N] [--csv FILE]",
          "Polls the live status at the tool's cadence (one request every 100 ms) and prints\n"
          "the decoded values, one line (or JSON object) per valid status frame, until N\n"
          "seconds have passed or Ctrl-C. With --csv the frames are recorded to FILE instead,\n"
          "in the charts page's recording format (UTC time stamps, gap rows for lost frames).",
          {"--port", "--seconds", "--csv"}, 0, 0}},
    };
    return table;
}

const std::set<std::string> kCommonOptions{"--demo", "--json", "--progress", "--quiet", "--help", "-h"};

bool parseSeconds(const std::string& text, double& out)
{
    const char* first = text.data();
    const char* last = first + text.size();
    const auto r = std::from_chars(first, last, out, std::chars_format::fixed);
    return r.ec == std::errc() && r.ptr == last && std::isfinite(out) && out > 0 && out <= 31 * 24 * 3600.0;
}

} // namespace

ParsedArguments parseCliArguments(const std::vector<std::string>& argv)
{
    ParsedArguments p;
    CliArguments& a = p.args;
    const CommandInfo* info = nullptr;
    for (size_t i = 0; i < argv.size(); ++i) {
        const std::string& word = argv[i];
        std::string opt = word;
        std::optional<std::string> inlineValue;
        if (word.rfind("--", 0) == 0) {
            const size_t eq = word.find('=');
            if (eq != std::string::npos) {
                opt = word.substr(0, eq);
                inlineValue = word.substr(eq + 1);
            }
        }
        auto value = [&](std::string& out) {
            if (inlineValue) {
                out = *inlineValue;
            } else if (i + 1 < argv.size()) {
                out = argv[++i];
            } else {
                p.error = opt + " needs a value";
                return false;
            }
            if (out.empty()) {
                p.error = opt + " needs a value";
                return false;
            }
            return true;
        };
        const bool isOption = word.size() > 1 && word[0] == '-';
        if (!isOption) {
            if (a.command.empty()) {
                const auto it = commands().find(word);
                if (it == commands().end()) {
                    p.error = "unknown command '" + word + "'";
                    return p;
                }
                a.command = word;
                info = &it->second;
            } else {
                a.operands.push_back(word);
            }
            continue;
        }
        if (opt == "--version" && a.command.empty()) {
            a.version = true;
            continue;
        }
        const bool common = kCommonOptions.count(opt) > 0;
        if (!common && (!info || info->options.count(opt) == 0)) {
            p.error = info ? "option " + opt + " does not apply to '" + a.command + "'"
                           : "unknown option '" + word + "' (give the command first)";
            if (!info && (opt == "--port" || opt == "-o" || opt == "--output" || opt == "--raw"
                          || opt == "--seconds" || opt == "--csv" || opt == "--dry-run" || opt == "--restore"
                          || opt == "--serial-from-file"))
                p.error = "option " + opt + " needs a command before it";
            return p;
        }
        if (inlineValue && (opt == "--demo" || opt == "--json" || opt == "--progress" || opt == "--quiet"
                            || opt == "--help" || opt == "--raw" || opt == "--dry-run" || opt == "--restore"
                            || opt == "--serial-from-file")) {
            p.error = opt + " takes no value";
            return p;
        }
        if (opt == "--demo") {
            a.demo = true;
        } else if (opt == "--json") {
            a.json = true;
        } else if (opt == "--progress") {
            a.progress = true;
        } else if (opt == "--quiet") {
            a.quiet = true;
        } else if (opt == "--help" || opt == "-h") {
            a.help = true;
        } else if (opt == "--raw") {
            a.raw = true;
        } else if (opt == "--dry-run") {
            a.dryRun = true;
        } else if (opt == "--restore") {
            a.restore = true;
        } else if (opt == "--serial-from-file") {
            a.serialFromFile = true;
        } else if (opt == "--csv") {
            if (!value(a.csv))
                return p;
        } else if (opt == "--port") {
            std::string v;
            if (!value(v))
                return p;
            a.ports.push_back(v);
        } else if (opt == "-o" || opt == "--output") {
            if (!value(a.output))
                return p;
        } else if (opt == "--seconds") {
            std::string v;
            if (!value(v))
                return p;
            double s = 0;
            if (!parseSeconds(v, s)) {
                p.error = "--seconds: '" + v + "' is not a number of seconds above 0";
                return p;
            }
            a.seconds = s;
        }
    }
    if (a.help || a.version)
        return p;
    if (!info) {
        p.error = "no command given";
        return p;
    }
    if (a.operands.size() < info->minOperands || a.operands.size() > info->maxOperands) {
        p.error = "'" + a.command + "' takes " + (info->maxOperands == 0 ? std::string("no operands")
                                                                           : "other operands")
            + " (see kdx-cli " + a.command + " --help)";
        return p;
    }
    if (a.progress && !a.json)
        p.error = "--progress applies to --json output";
    else if (a.command == "diff" && a.operands[0] == "ecu:" && a.operands[1] == "ecu:")
        p.error = "diff: compare the controller with a file or defaults, not with itself";
    return p;
}

std::string cliUsage(const std::string& command)
{
    static const char* kCommon =
        "Common options:\n"
        "  --port P     try this serial device (repeatable); without it the system's serial\n"
        "               ports are searched as the window's CONNECT does\n"
        "  --demo       add the built-in simulated controller as a port\n"
        "  --json       one JSON object per result on stdout (and per progress step with --progress)\n"
        "  --quiet      no progress and no notes on stderr\n"
        "  --help       this text, or a command's own with kdx-cli COMMAND --help\n";
    static const char* kExit =
        "Exit codes: 0 success, 2 usage error, 3 no controller found, 4 several controllers\n"
        "found (name one with --port), 5 communication failure, 6 file error, 7 verify\n"
        "mismatch, 8 test not sound, 130 interrupted (Ctrl-C before anything was sent).\n";
    const auto it = commands().find(command);
    if (it != commands().end())
        return std::string("usage: ") + it->second.synopsis + "\n" + it->second.description + "\n\n" + kCommon + "\n"
            + kExit;
    std::string text = "usage: kdx-cli COMMAND [options]\n"
                       "The KDX service tool's procedures from the command line. Data goes to stdout,\n"
                       "progress and errors to stderr.\n\nCommands:\n";
    for (const auto& [name, info] : commands())
        text += std::string("  ") + info.synopsis + "\n";
    return text + "\n" + kCommon + "\n" + kExit;
}

} // namespace kdx::cli

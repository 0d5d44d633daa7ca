#include "cli/CliArguments.h"

#include "cli/CommandTable.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kdx::cli {

namespace {


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
    const CliCommand* info = nullptr;
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
                info = findCliCommand(word);
                if (!info) {
                    p.error = "unknown command '" + word + "'";
                    return p;
                }
                a.command = word;
            } else {
                a.operands.push_back(word);
            }
            continue;
        }
        if (opt == "--version" && a.command.empty()) {
            a.version = true;
            continue;
        }
        const CliOption* known = findCliOption(opt);
        const bool common = known && known->common;
        if (!common
            && (!info || std::find(info->options.begin(), info->options.end(), opt) == info->options.end())) {
            p.error = info ? "option " + opt + " does not apply to '" + a.command + "'"
                           : "unknown option '" + word + "' (give the command first)";
            if (!info && known)
                p.error = "option " + opt + " needs a command before it";
            return p;
        }
        if (inlineValue && !known->takesValue) {
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
        } else if (opt == "--allow-other") {
            a.allowOther = true;
        } else if (opt == "--exit-code") {
            a.exitCode = true;
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
        "Exit codes: 0 success, 1 diff --exit-code found differences, 2 usage error, 3 no\n"
        "controller found, 4 several controllers found (name one with --port), 5\n"
        "communication failure or link lost, 6 file error, 7 verify mismatch, 8 test not\n"
        "sound, 9 write refused another controller's set (--allow-other), 130 interrupted\n"
        "(Ctrl-C before anything was sent).\n";
    if (const CliCommand* c = findCliCommand(command))
        return std::string("usage: ") + c->synopsis + "\n" + c->description + "\n\n" + kCommon + "\n" + kExit;
    std::string text = "usage: kdx-cli COMMAND [options]\n"
                       "The KDX service tool's procedures from the command line. Data goes to stdout,\n"
                       "progress and errors to stderr.\n\nCommands:\n";
    for (const CliCommand& c : cliCommands())
        text += std::string("  ") + c.synopsis + "\n";
    return text + "\n" + kCommon + "\n" + kExit;
}

} // namespace kdx::cli

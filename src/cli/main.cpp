// kdx-cli: the service tool's procedures from the command line.
#include "cli/CliArguments.h"
#include "protocol/ProgramVersion.h"
#include "cli/Commands.h"
#include "cli/CommandTable.h"
#include "cli/ExitCodes.h"
#include "cli/Reporter.h"
#include "link/SystemConsole.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

void onInterrupt(int) { kdx::cli::g_interrupted = 1; }

} // namespace

int main(int argc, char** argv)
{
    using namespace kdx::cli;
    const ParsedArguments parsed = parseCliArguments(std::vector<std::string>(argv + 1, argv + argc));
    const CliArguments& args = parsed.args;
    if (!parsed.ok()) {
        std::cerr << "kdx-cli: " << parsed.error << "\n\n" << cliUsage(args.command);
        // A script that asked for JSON gets its one object, the refusal too.
        for (int i = 1; i < argc; ++i)
            if (std::string(argv[i]) == "--json") {
                std::cout << JsonObject().add("error", parsed.error).add("exit", kExitUsage).text() << "\n";
                break;
            }
        return kExitUsage;
    }
    if (args.help) {
        std::cout << cliUsage(args.command);
        return kExitOk;
    }
    if (args.version) {
        std::cout << "kdx-cli " << kdx::kProgramVersion << "\n";
        return kExitOk;
    }
    kdx::SystemConsole::onInterrupt(onInterrupt);

    Reporter out(args.json, args.progress, args.quiet, stdout, stderr, kdx::SystemConsole::isTerminal(stderr));
    const CliCommand& command = *findCliCommand(args.command);
    int rc = command.run(args, out);
    if (g_interrupted && rc == kExitOk && command.onInterrupt == OnInterrupt::ExitInterrupted)
        rc = kExitInterrupted;
    return rc;
}

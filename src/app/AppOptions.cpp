#include "app/AppOptions.h"
#include "protocol/ProgramVersion.h"

namespace kdx {

CommandLine parseCommandLine(const std::vector<std::string>& args)
{
    CommandLine result;
    auto fail = [&result](std::string message) {
        result.action = CommandLine::Action::Error;
        result.error = std::move(message);
        return result;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            result.action = CommandLine::Action::Help;
            return result;
        }
        if (a == "--version") {
            result.action = CommandLine::Action::Version;
            return result;
        }
        if (a == "--demo") {
            result.options.demo = true;
        } else if (a == "--tester") {
            result.options.tester = true;
        } else if (a == "--port") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return fail("--port needs a device path");
            result.options.ports.push_back(args[++i]);
        } else if (a.rfind("--port=", 0) == 0) {
            const std::string path = a.substr(7);
            if (path.empty())
                return fail("--port needs a device path");
            result.options.ports.push_back(path);
        } else if (a.rfind("-platform", 0) == 0 || a.rfind("-style", 0) == 0
                   || a.rfind("-display", 0) == 0) {
            // Toolkit options; the application object takes them itself.
            if (a.find('=') == std::string::npos && i + 1 < args.size())
                ++i;
        } else {
            return fail("unknown option: " + a);
        }
    }
    return result;
}

std::string usageText(const std::string& programName)
{
    return "Usage: " + programName + " [options]\n"
           "Service and configuration tool for the KDX RQ412 controller.\n"
           "\n"
           "Options:\n"
           "  --port PATH   search this serial device first (may be repeated)\n"
           "  --demo        add the built-in simulated controller as a port\n"
           "  --tester      show the production tester page\n"
           "  --help        show this text and exit\n"
           "  --version     show the version and exit\n";
}

std::string versionText() { return std::string("kdx ") + kProgramVersion; }

} // namespace kdx

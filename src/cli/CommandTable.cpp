#include "cli/CommandTable.h"

#include "cli/Commands.h"

namespace kdx::cli {

const std::vector<CliCommand>& cliCommands()
{
    static const std::vector<CliCommand> table{
        {"diff", "kdx-cli diff A B [--port P]... [--exit-code]",
         "Compares two parameter sets field by field, in the editors' units. A and B are\n"
         "each a parameter file, ecu: (the connected controller, read now) or defaults (the\n"
         "default set of RESET PARAMETERS!, with the other side's serial number and log).\n"
         "Exit 0 whether or not they differ (the count is in the output); with --exit-code\n"
         "exit 1 when they differ.",
         {"--port", "--exit-code"}, 2, 2, runDiff, OnInterrupt::ExitInterrupted},
        {"flash", "kdx-cli flash FIRMWARE.hex [--port P]... [--restore]",
         "Upgrades the controller's firmware as the window's upgrade button does: the file is\n"
         "checked whole first, the parameters are saved to parametry/ (reason before-upgrade)\n"
         "before anything is sent, every block is written through the bootloader, and the\n"
         "controller must come back reporting the file's version (exit 7 when it does not).\n"
         "--restore loads the backup into the controller afterwards (verified as write does);\n"
         "the result says \"restored\", and a restore asked for but not done (the upgrade not\n"
         "confirmed, Ctrl-C) is a failure that names the command restoring it. Without\n"
         "--restore that command is printed when the parameters came back reset.\n"
         "Ctrl-C before the controller is handed to its bootloader stops with nothing sent;\n"
         "after that the upgrade runs to its end, as a stopped one leaves no application.",
         {"--port", "--restore"}, 1, 1, runFlash, OnInterrupt::OwnOutcome},
        {"identify", "kdx-cli identify [--port P]...",
         "Finds the controller and prints its hardware and software version, revision and\n"
         "serial number. Without --port every candidate is asked; two controllers answering\n"
         "is refused (exit 4): name one with --port. Nothing is written to the controller.",
         {"--port"}, 0, 0, runIdentify, OnInterrupt::ExitInterrupted},
        {"monitor", "kdx-cli monitor [--port P]... [--seconds N] [--csv FILE]",
         "Polls the live status at the tool's cadence (one request every 100 ms) and prints\n"
         "the decoded values, one line (or JSON object) per valid status frame, until N\n"
         "seconds have passed or Ctrl-C. With --csv the frames are recorded to FILE instead,\n"
         "in the charts page's recording format (UTC time stamps, gap rows for lost frames).",
         {"--port", "--seconds", "--csv"}, 0, 0, runMonitor, OnInterrupt::OwnOutcome},
        {"ports", "kdx-cli ports [--port P]...",
         "Lists the serial devices a connection search would try, in the order it tries them,\n"
         "with their stable /dev/serial/by-id names and why a device cannot be opened.",
         {"--port"}, 0, 0, runPorts, OnInterrupt::ExitInterrupted},
        {"read", "kdx-cli read [--port P]... [-o FILE] [--raw]",
         "Reads the controller's whole 512-byte parameter memory and writes it as a parameter\n"
         "file (the format of the window's Save To Disk): to FILE, to stdout with -o -, or\n"
         "without -o to parametry/KDX_<serial>_<date>_<time>_manual.kdx below the current\n"
         "folder. With --raw the image is written as its 512 bytes (to FILE, or to stdout\n"
         "when no -o is given). Nothing is written to the controller.",
         {"--port", "-o", "--output", "--raw"}, 0, 0, runRead, OnInterrupt::ExitInterrupted},
        {"set", "kdx-cli set FILE NAME=VALUE...",
         "Changes values of a parameter file without a controller: each NAME (as the file's\n"
         "field lines and diff name it, e.g. GeneralDelay or ManualTrigP1Ton[3]) takes VALUE\n"
         "in the editors' unit, through the editors' conversion and range check. The file's\n"
         "image, field lines and checksum are rewritten together; on any refused value the\n"
         "file is left as it was.",
         {}, 2, 1000, runSet, OnInterrupt::ExitInterrupted},
        {"test", "kdx-cli test SERIAL [--port P]...",
         "Runs the production test of the tester page on the connected controller: the\n"
         "serial number is checked as the tester checks it, the outputs are run through\n"
         "the service run, and the result file SERIAL.txt is written in the current folder\n"
         "as the tester writes it. Exit 0 when the board is sound, 8 when it is not.",
         {"--port"}, 1, 1, runTest, OnInterrupt::ExitInterrupted},
        {"write", "kdx-cli write FILE [--port P]... [--dry-run] [--serial-from-file] [--allow-other]",
         "Loads a parameter file into the controller as the window's Load to ECU does: only\n"
         "the words that differ are sent, then saved to the EEPROM, then the whole memory is\n"
         "read back and compared (exit 7 when the controller does not hold the file's values).\n"
         "The controller's connection log and serial number are kept; --serial-from-file\n"
         "gives a controller whose serial number is blank the one in the file. --dry-run\n"
         "prints the differences and sends nothing. A file saved from another serial number,\n"
         "hardware or software version, or holding uninitialised parameters, is refused\n"
         "(exit 9) unless --allow-other is given. Ctrl-C before the first word is sent\n"
         "stops with nothing sent; once sending has begun it goes on to the verified end.",
         {"--port", "--dry-run", "--serial-from-file", "--allow-other"}, 1, 1, runWrite, OnInterrupt::OwnOutcome},
    };
    return table;
}

const CliCommand* findCliCommand(const std::string& name)
{
    for (const CliCommand& c : cliCommands())
        if (name == c.name)
            return &c;
    return nullptr;
}

const CliOption* findCliOption(const std::string& name)
{
    static const CliOption options[] = {
        {"--demo", true, false},      {"--json", true, false},   {"--progress", true, false},
        {"--quiet", true, false},     {"--help", true, false},   {"-h", true, false},
        {"--port", false, true},      {"-o", false, true},       {"--output", false, true},
        {"--raw", false, false},      {"--seconds", false, true}, {"--csv", false, true},
        {"--dry-run", false, false},  {"--restore", false, false}, {"--serial-from-file", false, false},
        {"--allow-other", false, false}, {"--exit-code", false, false},
    };
    for (const CliOption& o : options)
        if (name == o.name)
            return &o;
    return nullptr;
}

} // namespace kdx::cli

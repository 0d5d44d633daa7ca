#include "sim/SimArguments.h"

#include "sim/FaultSet.h"

#include <cerrno>
#include <cstdlib>

namespace kdx::sim {


std::string SimArguments::usage()
{
    return "usage: kdx-sim [options]\n"
           "Serves a simulated KDX controller on a pseudo-terminal and prints its path.\n"
           "  --link PATH      also make PATH a symbolic link to the terminal (removed at exit)\n"
           "  --eeprom FILE    keep the EEPROM in FILE: loaded at start, saved on every\n"
           "                   save command and at exit\n"
           "  --hw N           hardware version reported by identify (default 1)\n"
           "  --sw N           software version (default 1)\n"
           "  --rev N          software revision (default 0)\n"
           "  --serial N       serial number in the EEPROM (decimal or 0x...)\n"
           "  --fault NAME[=V] misbehave (repeatable): silent, noise=N, drop=PERCENT,\n"
           "                   badsum[=PERCENT], badend[=PERCENT], truncate=N, slow=MS,\n"
           "                   deadpage=ADDRESS, stuck=OFFSET (a parameter byte that keeps\n"
           "                   its value), sw=N, reject=BLOCK:TIMES[:CODE],\n"
           "                   bootslow=MS, unplug=MS[:FOR_MS],\n"
           "                   silence=FRAMES[:FOR_MS], pull=FRAMES[:FOR_MS], errors=PRESENT[:STORED][@MS],\n"
           "                   supply=VOLTS[@MS], zero=MS, pumpopen=N, nocurrent=N, nodrive=N,\n"
           "                   mix=PERCENT[:SEED] (random drop, truncate, badsum, badend, noise),\n"
           "                   usb[=TURNAROUND[:LATENCY]] (answers TURNAROUND ms after the request,\n"
           "                   handed over in 62-byte chunks, the last LATENCY ms late)\n"
           "  --trace          print every frame received and sent, with its time\n"
           "  --replay FILE    answer as the traffic export FILE (the tool's traffic view\n"
           "                   or --trace) says the controller answered each request\n"
           "  --help           show this text\n"
           "On SIGUSR1 and at exit it prints a report: per answer kind the answers made and\n"
           "how many were spoiled (lost, bad, checksum as the tool counts them), how late\n"
           "answers reached the terminal, and the EEPROM in hex.\n";
}

bool SimArguments::parse(const std::vector<std::string>& args, std::string& error)
{
    for (size_t i = 0; i < args.size(); ++i) {
        std::string opt = args[i];
        std::optional<std::string> inlineValue;
        const size_t eq = opt.find('=');
        if (opt.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = opt.substr(eq + 1);
            opt = opt.substr(0, eq);
        }
        auto value = [&](std::string& out) {
            if (inlineValue) {
                out = *inlineValue;
                return true;
            }
            if (i + 1 >= args.size()) {
                error = opt + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto number = [&](uint64_t max, uint64_t& out) {
            std::string text;
            if (!value(text))
                return false;
            if (!parseNumber(text, max, out)) {
                error = opt + ": '" + text + "' is not a number from 0 to " + std::to_string(max);
                return false;
            }
            return true;
        };

        uint64_t n = 0;
        if (opt == "--help" || opt == "-h") {
            help = true;
        } else if (opt == "--trace") {
            trace = true;
        } else if (opt == "--link") {
            if (!value(linkPath)) return false;
        } else if (opt == "--eeprom") {
            if (!value(eepromPath)) return false;
        } else if (opt == "--replay") {
            if (!value(replayPath)) return false;
        } else if (opt == "--hw") {
            if (!number(255, n)) return false;
            config.hardwareVersion = static_cast<uint8_t>(n);
        } else if (opt == "--sw") {
            if (!number(255, n)) return false;
            config.softwareVersion = static_cast<uint8_t>(n);
        } else if (opt == "--rev") {
            if (!number(255, n)) return false;
            config.softwareRevision = static_cast<uint8_t>(n);
        } else if (opt == "--serial") {
            if (!number(0xFFFFFFFFull, n)) return false;
            serialNumber = static_cast<uint32_t>(n);
            config.serialNumber = static_cast<uint32_t>(n);
        } else if (opt == "--fault") {
            std::string fault;
            if (!value(fault) || !faults.add(fault, error)) return false;
        } else {
            error = "unknown option '" + args[i] + "'";
            return false;
        }
    }
    return true;
}

} // namespace kdx::sim

#pragma once

#include "sim/ControllerModel.h"
#include "sim/FaultSet.h"

#include <optional>
#include <string>
#include <vector>

namespace kdx::sim {

// Command line of kdx-sim.
struct SimArguments {
    ControllerConfig config;
    std::optional<uint32_t> serialNumber; // --serial: also replaces the one in a loaded EEPROM
    std::string linkPath;                 // --link: symlink to the pseudo-terminal
    std::string eepromPath;               // --eeprom: EEPROM kept between runs
    FaultSet faults;                      // --fault (repeatable)
    bool trace = false;                   // --trace
    std::string replayPath;               // --replay: a traffic export to answer from
    bool help = false;                    // --help

    // False with a reason in error for an unknown option, a missing or bad value.
    bool parse(const std::vector<std::string>& args, std::string& error);
    static std::string usage();
};

} // namespace kdx::sim

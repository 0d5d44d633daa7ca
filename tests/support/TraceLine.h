#pragma once

// Reading the frame lines kdx-sim --trace prints:
//   "HH:MM:SS.mmm PC  kind 03 00 00 00 AD E0"   (the PC's frames)
//   "HH:MM:SS.mmm ECU kind 41 01 ..."            (the controller's answers)
// with an optional "  # note" at the end.

#include <optional>
#include <sstream>
#include <string>

namespace kdx::test {

// The hex bytes of a frame the PC sent ("D1 BB 00 2A AE E0"), or nothing
// for any other line.
inline std::optional<std::string> pcFrameHex(const std::string& line)
{
    std::istringstream in(line.substr(0, line.find('#')));
    std::string time, direction, kind, byte, hex;
    if (!(in >> time >> direction >> kind) || direction != "PC")
        return std::nullopt;
    while (in >> byte)
        hex += (hex.empty() ? "" : " ") + byte;
    if (hex.empty())
        return std::nullopt;
    return hex;
}

} // namespace kdx::test

#pragma once

#include <cstdint>
#include <string>

namespace kdx {

// This PC's 32-bit identity for the controller's connection log. On Linux the
// first eight hex digits of the machine id; if that cannot be read, the
// file-system id of the current directory; else 0. On Windows the volume
// serial number of the current drive (machineIdPath is not used there).
uint32_t readPcIdentity(const std::string& machineIdPath = "/etc/machine-id");

// The first 32 bits of a machine-id text (eight hex digits); nullopt-like
// false when the text does not start with eight hex digits.
bool parseMachineId(const std::string& text, uint32_t& identity);

} // namespace kdx

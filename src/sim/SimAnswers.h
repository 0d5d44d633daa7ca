#pragma once

#include "sim/ParameterMemory.h"
#include "sim/SimStatus.h"

#include <cstdint>
#include <vector>

// The controller's answers, byte for byte as they go on the wire.
namespace kdx::sim::answers {

// 0x41, hardware, software, revision, three reserved bytes, 0xE0.
std::vector<uint8_t> identify(uint8_t hardware, uint8_t software, uint8_t revision);
// 0x48 0x01, the 128 bytes from address (wrapping at the end of memory),
// (0xAA + their sum) mod 256, 0xE0.
std::vector<uint8_t> page(const ParameterMemory& memory, uint16_t address);
// 0x56 0x05, the frame in reverse byte order, (0xAA + sum of bytes 2..97) mod 256, 0xE0.
std::vector<uint8_t> status(const SimStatus::Frame& frame);

} // namespace kdx::sim::answers

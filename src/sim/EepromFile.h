#pragma once

#include "sim/ParameterMemory.h"

#include <optional>
#include <string>

namespace kdx::sim {

// The simulated controller's EEPROM kept between runs: a file of exactly
// 512 bytes, the raw image in memory order.
class EepromFile {
public:
    explicit EepromFile(std::string path) : m_path(std::move(path)) {}

    const std::string& path() const { return m_path; }
    // The stored image; empty when the file does not exist yet. A file that
    // exists but cannot be read or has another size sets error.
    std::optional<ParameterMemory::Bytes> load(std::string& error) const;
    // Replaces the file in one step (written beside it, then renamed), so an
    // interrupted save leaves the previous image intact.
    bool save(const ParameterMemory::Bytes& bytes, std::string& error) const;

private:
    std::string m_path;
};

} // namespace kdx::sim

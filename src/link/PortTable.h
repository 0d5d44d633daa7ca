#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kdx {

struct PortTableEntry {
    std::string deviceName;  // "\\.\COMn" until a search numbers the ports; then a device path
    uint32_t portNumber = 0; // k + 1
    uint32_t ftdiIndex = 0;  // index in the USB vendor list + 1; 0 when not found there
    bool candidate = false;  // found by any enumeration: the search tries it
    bool ftdiPort = false;   // found by the USB vendor list
};

// COM1..COM256; entry k is COM(k + 1).
class PortTable {
public:
    static constexpr int kSize = 256;

    // Names "\\.\COM1".."\\.\COM256", numbers 1..256, marks cleared.
    void build();
    void clearMarks();
    // Linux numbering: entry k takes paths[k] as its device name (k < 256);
    // the entries beyond take their "\\.\COMn" names back.
    void assignNames(const std::vector<std::string>& paths);

    // "\\.\COM" and k + 1: the name of entry k before any numbering.
    static std::string defaultName(int k);

    PortTableEntry& operator[](int k) { return m_entries[static_cast<size_t>(k)]; }
    const PortTableEntry& operator[](int k) const { return m_entries[static_cast<size_t>(k)]; }

private:
    std::array<PortTableEntry, kSize> m_entries{};
};

} // namespace kdx

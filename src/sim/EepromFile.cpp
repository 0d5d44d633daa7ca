#include "sim/EepromFile.h"

#include "link/SystemFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace kdx::sim {

std::optional<ParameterMemory::Bytes> EepromFile::load(std::string& error) const
{
    error.clear();
    std::error_code ec;
    if (!std::filesystem::exists(m_path, ec) && !ec)
        return std::nullopt;
    std::ifstream in(m_path, std::ios::binary);
    if (!in) {
        error = m_path + ": cannot be read";
        return std::nullopt;
    }
    // Read one byte more than an image holds, to notice a longer file.
    std::vector<char> data(kMemorySize + 1);
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
    const auto got = static_cast<size_t>(in.gcount());
    if (got != kMemorySize) {
        error = m_path + ": not an EEPROM image (expected " + std::to_string(kMemorySize) + " bytes)";
        return std::nullopt;
    }
    ParameterMemory::Bytes bytes{};
    std::memcpy(bytes.data(), data.data(), kMemorySize);
    return bytes;
}

bool EepromFile::save(const ParameterMemory::Bytes& bytes, std::string& error) const
{
    const std::string why = SystemFiles::writeReplacing(
        m_path, std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()), false);
    if (!why.empty()) {
        error = m_path + ": " + why;
        return false;
    }
    return true;
}

} // namespace kdx::sim

#include "link/PcIdentity.h"

#include <fstream>
#include <sys/statvfs.h>

namespace kdx {

bool parseMachineId(const std::string& text, uint32_t& identity)
{
    if (text.size() < 8)
        return false;
    uint32_t v = 0;
    for (size_t i = 0; i < 8; ++i) {
        const char c = text[i];
        uint32_t d;
        if (c >= '0' && c <= '9') d = static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f') d = static_cast<uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F') d = static_cast<uint32_t>(c - 'A' + 10);
        else return false;
        v = (v << 4) | d;
    }
    identity = v;
    return true;
}

uint32_t readPcIdentity(const std::string& machineIdPath)
{
    std::ifstream in(machineIdPath);
    std::string line;
    uint32_t identity = 0;
    if (in && std::getline(in, line) && parseMachineId(line, identity))
        return identity;
    struct statvfs fs {};
    if (statvfs(".", &fs) == 0)
        return static_cast<uint32_t>(fs.f_fsid);
    return 0;
}

} // namespace kdx

#include "link/posix/SysfsLine.h"

#include <fstream>

namespace kdx {

std::string readSysfsLine(const std::filesystem::path& file)
{
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line))
        return {};
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

} // namespace kdx

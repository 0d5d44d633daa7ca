#include "link/PcIdentity.h"

#include <windows.h>

namespace kdx {

uint32_t readPcIdentity(const std::string&)
{
    // The volume serial number of the current drive's root.
    DWORD serial = 0;
    if (::GetVolumeInformationA(nullptr, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
        return serial;
    return 0;
}

} // namespace kdx

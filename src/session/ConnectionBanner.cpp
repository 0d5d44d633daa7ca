#include "session/ConnectionBanner.h"

#include "protocol/ProgramVersion.h"

#include <cstdio>

namespace kdx {

namespace {

constexpr const char* kBannerPrefix = "Vornel RQ412 - KDX 'WERSJA WYSTAWOWA' H: ";
// Ends the caption in place of " SN: 0x..." when the memory was not read.
constexpr const char* kSerialNotRead = " SN: not read";
// The version stands in a field of twelve characters, padded with spaces.
constexpr size_t kVersionFieldChars = 12;

std::string versionField()
{
    std::string field = kProgramVersion;
    if (field.size() < kVersionFieldChars)
        field.append(kVersionFieldChars - field.size(), ' ');
    return field;
}

} // namespace

std::string connectionBanner(uint8_t hardwareVersion, uint8_t softwareVersion,
                             uint8_t softwareRevision, uint32_t serialNumber)
{
    char serial[9];
    std::snprintf(serial, sizeof serial, "%08X", static_cast<unsigned>(serialNumber));
    return std::string(kBannerPrefix) + std::to_string(hardwareVersion) + " S: " + std::to_string(softwareVersion)
        + "." + std::to_string(softwareRevision) + " Pc ver. " + versionField() + " SN: 0x" + serial;
}

std::string connectionBannerUnread(uint8_t hardwareVersion, uint8_t softwareVersion, uint8_t softwareRevision)
{
    const std::string full = connectionBanner(hardwareVersion, softwareVersion, softwareRevision, 0);
    return full.substr(0, full.rfind(" SN: ")) + kSerialNotRead;
}

} // namespace kdx

#pragma once

#include <cstdint>
#include <string>

namespace kdx {

// The window caption after a controller was identified: its versions, this
// tool's version and the controller's serial number.
std::string connectionBanner(uint8_t hardwareVersion, uint8_t softwareVersion,
                             uint8_t softwareRevision, uint32_t serialNumber);
// The caption when the controller answered identify but its memory could not
// be read: its versions, and that its serial number is not known.
std::string connectionBannerUnread(uint8_t hardwareVersion, uint8_t softwareVersion, uint8_t softwareRevision);

} // namespace kdx

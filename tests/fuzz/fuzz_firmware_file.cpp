// A firmware file is whatever the technician picks: the reader, the block
// check and the frame builder must stay inside the text whatever it holds.
#include "firmware/FirmwareFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kdx::FirmwareFile file(std::string(reinterpret_cast<const char*>(data), size));
    (void)file.compatibilityNumber();
    (void)file.versionNumber(kdx::fw::kVersionFirstByte);
    // Only complete files reach the block loop, as in the upgrade.
    if (!file.isComplete())
        return 0;
    const auto check = kdx::verifyFirmwareBlocks(file);
    if (check.lines.size() != file.blockCount())
        __builtin_trap();
    for (uint32_t j = 0; j < file.blockCount(); ++j) {
        const auto frame = file.buildBlockFrame(j);
        if (frame[kdx::fw::kFrameEndIndex] != 0xE0)
            __builtin_trap();
    }
    return 0;
}

#pragma once

#include "firmware/FirmwareFile.h"
#include "firmware/UpgradeHost.h"
#include "link/DeviceLink.h"
#include "link/UserPrompts.h"

#include <functional>
#include <optional>
#include <string>

namespace kdx {

// The "upgrade" button: load a firmware file, hand the controller over to
// its bootloader, send every block and reconnect. Runs to its end on the
// caller's thread; there is no cancel.
class FirmwareUpgrade {
public:
    using RandomSource = std::function<uint32_t()>;

    FirmwareUpgrade(DeviceLink& link, UserPrompts& prompts, UpgradeHost& host,
                    std::string firmwareFolder, RandomSource random = {});

    void run();

    // Lets the technician choose a file and reads it whole. Moves the process
    // into the firmware folder first (the language switch relies on that).
    std::optional<FirmwareFile> openFirmwareFile();

    // Largest file read; anything longer cannot be a firmware file.
    static constexpr size_t kMaxFileBytes = 32u << 20;

private:
    void sendFrame(const uint8_t* frame, uint32_t afterMs);
    void sendBootFrame(uint8_t kind);
    void bootLeave();
    bool transferBlocks(const FirmwareFile& file);
    std::string replyBytes(size_t count) const;

    DeviceLink& m_link;
    UserPrompts& m_prompts;
    UpgradeHost& m_host;
    std::string m_folder;
    RandomSource m_random;
};

// Two upper-case hex digits.
std::string hex2(uint8_t value);
// The log line for a block's result code, empty for codes above 5.
std::string blockResultText(uint8_t code);

} // namespace kdx

#pragma once

#include "firmware/FirmwareFile.h"
#include "firmware/UpgradeHost.h"
#include "link/DeviceLink.h"
#include "prompts/UserPrompts.h"

#include <functional>
#include <optional>
#include <string>

namespace kdx {

// The "upgrade" button: load a firmware file and check all of it, hand the
// controller over to its bootloader, send every block and reconnect. Runs to
// its end on the caller's thread; there is no cancel. Knows nothing of a
// window: the host shows the log and progress, the prompts the boxes.
class FirmwareUpgrade {
public:
    using RandomSource = std::function<uint32_t()>;

    enum class Outcome {
        NotRun,          // the controller's software is newer than the tool handles
        Cancelled,       // no file chosen, or the host said no before anything was sent
        FileRefused,     // unreadable, wrong compatibility, layout or block sums: nothing sent
        NoBootloader,    // no port, or no bootloader answer (told to leave again)
        LeftInBootloader,// write switch or a block failed: the upgrade must be repeated
        DoneNotConfirmed,// every block accepted, but the reconnect did not show the new version
        Done,            // every block accepted and the controller reports the file's version
    };

    FirmwareUpgrade(DeviceLink& link, UserPrompts& prompts, UpgradeHost& host,
                    std::string firmwareFolder, RandomSource random = {});

    Outcome run();

    // The file from the technician's choice, read whole. The process's
    // current directory is left as it is.
    enum class FileRead { Loaded, Cancelled, Unreadable };
    FileRead openFirmwareFile(std::optional<FirmwareFile>& file);

    // Largest file read; anything longer cannot be a firmware file.
    static constexpr size_t kMaxFileBytes = 32u << 20;

private:
    Outcome finish(Outcome outcome, const std::string& lastLine);
    void discardInput();
    void settleLine();
    // False when the line refused the frame or hung up.
    bool sendFrame(const uint8_t* frame, uint32_t afterMs);
    void sendBootFrame(uint8_t kind);
    void bootLeave(bool connectedAfter);
    bool openPortForUpgrade(std::vector<std::string>& ports);
    bool reachBootloader(bool wasConnected, bool ownPort);
    // Index of the block given up on, or nullopt when every block was accepted.
    std::optional<uint32_t> transferBlocks(const FirmwareFile& file);
    std::string replyBytes(size_t count) const;

    DeviceLink& m_link;
    UserPrompts& m_prompts;
    UpgradeHost& m_host;
    std::string m_folder;
    RandomSource m_random;
    bool m_lineLost = false; // the last block loop ended because the adapter went away
};

// Two upper-case hex digits.
std::string hex2(uint8_t value);
// The log line for a block's result code, empty for codes above 5.
std::string blockResultText(uint8_t code);

} // namespace kdx

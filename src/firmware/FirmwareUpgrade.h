#pragma once

#include "firmware/FirmwareFile.h"
#include "firmware/UpgradeHost.h"
#include "link/DeviceLink.h"
#include "prompts/UserPrompts.h"

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

    // The window's language for the attempt's last line; without it, the
    // built-in English.
    using TextLookup = std::function<std::string(int key)>;
    void setTexts(TextLookup texts) { m_texts = std::move(texts); }

    Outcome run();
    // After an upgrade cut off by the adapter going away during the block
    // transfer, once it is back: the controller sits in its bootloader with
    // no application, so the same file goes to it again from the bootloader's
    // start (query, write mode, every block from the first), on a port this
    // procedure opens. Nothing is asked of the technician.
    Outcome resume(FirmwareFile file);
    // The last attempt lost the line after the bootloader took over: the
    // controller waits there for the rest of the file.
    bool cutOffInBootloader() const { return m_lineLost; }
    // The last attempt could not open any port to reach the bootloader
    // (after a replug the device may not be ready yet); the ports it tried.
    bool noPortOpened() const { return m_noPortOpened; }
    const std::vector<std::pair<std::string, std::string>>& openFailures() const { return m_openFailures; }
    // The file of the last attempt, once it was read; empty afterwards.
    std::optional<FirmwareFile> takeFile() { return std::move(m_file); }

    // The file from the technician's choice, read whole. The process's
    // current directory is left as it is.
    enum class FileRead { Loaded, Cancelled, Unreadable };
    FileRead openFirmwareFile(std::optional<FirmwareFile>& file);

    // What the log (and the window's status line) says when a cut-off
    // upgrade goes on.
    static constexpr int kResumeTextKey = 102775;
    std::string resumeText() const { return text(kResumeTextKey); }

    // Largest file read; anything longer cannot be a firmware file.
    static constexpr size_t kMaxFileBytes = 32u << 20;

private:
    // Everything after the file was read and checked: bootloader, blocks,
    // leave and reconnect.
    Outcome transfer(const FirmwareFile& file);
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
    std::string text(int key, std::initializer_list<std::string> args = {}) const;
    std::string notStarted(const std::string& why) const;
    std::string leftInBootloader(const std::string& why) const;
    std::string lineLostText(uint32_t block, uint32_t count) const;

    DeviceLink& m_link;
    UserPrompts& m_prompts;
    UpgradeHost& m_host;
    std::string m_folder;
    RandomSource m_random;
    TextLookup m_texts;
    bool m_lineLost = false; // the last block loop ended because the adapter went away
    bool m_resuming = false; // this attempt goes on after an adapter came back
    bool m_noPortOpened = false;
    std::vector<std::pair<std::string, std::string>> m_openFailures; // port, reason
    std::optional<FirmwareFile> m_file;
};

// Two upper-case hex digits.
std::string hex2(uint8_t value);
// The log line for a block's result code, empty for codes above 5.
std::string blockResultText(uint8_t code);

} // namespace kdx

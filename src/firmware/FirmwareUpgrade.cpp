#include "firmware/FirmwareUpgrade.h"
#include "protocol/Wire.h"
#include "i18n/KeyTable.h"
#include "link/TextFormat.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>

namespace kdx {

namespace {

// Language keys of the attempt's last lines and their reasons.
constexpr int kKeyNotStarted = 102760;
constexpr int kKeyLeftInBootloader = 102761;
constexpr int kKeyLineLost = 102762;
constexpr int kKeyUnreadable = 102763;
constexpr int kKeyNotThisController = 102764;
constexpr int kKeyBadBlockSums = 102765;
constexpr int kKeyWaitingForAdapter = 102766;
constexpr int kKeyNoBootloaderAnswer = 102767;
constexpr int kKeyNoPort = 102768;
constexpr int kKeyNotReached = 102769;
constexpr int kKeyNoWriteSwitch = 102770;
constexpr int kKeyBlockRefused = 102771;
constexpr int kKeyNoAnswerAfter = 102772;
constexpr int kKeyOtherVersion = 102773;
constexpr int kKeyDone = 102774;

} // namespace

// The last line of every attempt says how it ended and what to do next.
std::string FirmwareUpgrade::text(int key, std::initializer_list<std::string> args) const
{
    std::string pattern = m_texts ? m_texts(key) : std::string();
    if (pattern.empty())
        pattern = builtInText(key);
    return fillIn(pattern, args);
}

std::string FirmwareUpgrade::notStarted(const std::string& why) const { return text(kKeyNotStarted, {why}); }

std::string FirmwareUpgrade::leftInBootloader(const std::string& why) const
{
    return text(kKeyLeftInBootloader, {why});
}

std::string FirmwareUpgrade::lineLostText(uint32_t block, uint32_t count) const
{
    return text(kKeyLineLost, {std::to_string(block), std::to_string(count)});
}

std::string hex2(uint8_t value)
{
    static const char digits[] = "0123456789ABCDEF";
    return {digits[value >> 4], digits[value & 0x0F]};
}

std::string blockResultText(uint8_t code)
{
    switch (code) {
    case wire::kBlockAccepted: return " dane OK :-)";
    case wire::kBlockBadChecksum: return " error - CRC";
    case wire::kBlockFlashWriteFailed: return " error - Zapis Flash";
    case wire::kBlockEepromWriteFailed: return " error - Zapis Eeprom";
    case wire::kBlockFlashErased: return " erase Flash OK :-) ";
    case wire::kBlockCodingError: return " blad - KODOWANIE !";
    default: return {};
    }
}

FirmwareUpgrade::FirmwareUpgrade(DeviceLink& link, UserPrompts& prompts, UpgradeHost& host,
                                 std::string firmwareFolder, RandomSource random)
    : m_link(link), m_prompts(prompts), m_host(host), m_folder(std::move(firmwareFolder)),
      m_random(std::move(random))
{
    if (!m_random) {
        auto engine = std::make_shared<std::minstd_rand>(std::random_device{}());
        m_random = [engine] { return static_cast<uint32_t>((*engine)()); };
    }
}

FirmwareUpgrade::FileRead FirmwareUpgrade::openFirmwareFile(std::optional<FirmwareFile>& file)
{
    file.reset();
    const auto chosen = m_prompts.openFirmwareFile(m_folder);
    if (!chosen)
        return FileRead::Cancelled;

    std::string text;
    bool ok = false;
    if (std::FILE* f = std::fopen(chosen->c_str(), "rb")) {
        long size = -1;
        if (std::fseek(f, 0, SEEK_END) == 0)
            size = std::ftell(f);
        if (size >= 0 && static_cast<unsigned long>(size) <= kMaxFileBytes
            && std::fseek(f, 0, SEEK_SET) == 0) {
            text.resize(static_cast<size_t>(size));
            ok = std::fread(text.data(), 1, text.size(), f) == text.size();
        }
        ok = (std::fclose(f) == 0) && ok;
    }
    if (!ok) {
        m_prompts.okCancel("Can't perform one of the following file operations: Open, Seek, Read, Close.",
                           "File Error");
        return FileRead::Unreadable;
    }
    m_host.clearLog();
    m_host.insertLogLine(std::to_string(text.size()) + " Bytes Read");
    file.emplace(std::move(text));
    return FileRead::Loaded;
}

FirmwareUpgrade::Outcome FirmwareUpgrade::finish(Outcome outcome, const std::string& lastLine)
{
    m_host.insertLogLine(lastLine);
    return outcome;
}

void FirmwareUpgrade::discardInput()
{
    // Whatever waits now answers an earlier frame (or is noise): the reply
    // read after the next frame must be that frame's own.
    uint8_t scratch[256];
    for (int i = 0; i < 64 && m_link.readAvailable(scratch, sizeof scratch) > 0; ++i) {
    }
}

void FirmwareUpgrade::settleLine()
{
    Clock& clock = m_link.clock();
    uint8_t scratch[256];
    const uint64_t start = clock.nowMs();
    uint64_t lastByte = start;
    for (;;) {
        if (m_link.readAvailable(scratch, sizeof scratch) > 0)
            lastByte = clock.nowMs();
        const uint64_t now = clock.nowMs();
        if (now - lastByte >= fw::kSettleQuietMs || now - start >= fw::kSettleMaxMs)
            return;
        clock.sleepMs(wire::kPollPauseMs);
    }
}

bool FirmwareUpgrade::sendFrame(const uint8_t* frame, uint32_t afterMs)
{
    Clock& clock = m_link.clock();
    clock.sleepMs(fw::kBeforeFrameMs);
    m_link.drainTransmit();
    discardInput();
    const bool sent = m_link.transmitBytes(frame, wire::kBootFrameSize) && !m_link.lineHungUp();
    if (!sent)
        return false; // the adapter is gone: no pause for a reply that cannot come
    clock.sleepMs(afterMs);
    return true;
}

void FirmwareUpgrade::sendBootFrame(uint8_t kind)
{
    uint8_t frame[wire::kBootFrameSize];
    frame[0] = wire::kBootMagic0;
    frame[1] = wire::kBootMagic1;
    frame[2] = kind;
    for (size_t i = 3; i < fw::kPayloadBytes; ++i)
        frame[i] = static_cast<uint8_t>(m_random() % 255);
    uint8_t sum = 0;
    for (size_t i = 0; i < fw::kPayloadBytes; ++i)
        sum = static_cast<uint8_t>(sum + frame[i]);
    frame[fw::kBlockSumIndex] = sum;
    frame[fw::kFrameEndIndex] = wire::kFrameEnd;
    sendFrame(frame, fw::kAfterBootFrameMs);
}

void FirmwareUpgrade::bootLeave(bool connectedAfter)
{
    sendBootFrame(wire::kBootLeave);
    m_link.state().connected = connectedAfter;
}

std::string FirmwareUpgrade::replyBytes(size_t count) const
{
    const auto& rb = m_link.receiveBuffer();
    std::string s;
    for (size_t i = 0; i < count; ++i)
        s += (i ? " 0x" : "0x") + hex2(rb[i]);
    return s;
}

FirmwareUpgrade::Outcome FirmwareUpgrade::run()
{
    ConnectionState& state = m_link.state();
    if (state.softwareVersion > 1)
        return Outcome::NotRun;

    // --- the whole file is read and checked before anything is sent -------
    std::optional<FirmwareFile> file;
    switch (openFirmwareFile(file)) {
    case FileRead::Cancelled:
        return finish(Outcome::Cancelled, "cancelled");
    case FileRead::Unreadable:
        m_host.insertLogLine("Firmware file error");
        return finish(Outcome::FileRefused, notStarted(text(kKeyUnreadable)));
    case FileRead::Loaded:
        break;
    }
    const uint8_t compatibility = file->compatibilityNumber();
    if (compatibility != fw::kCompatibleNumber) {
        m_prompts.message("ERROR VERSION CONFLICT confirm: " + std::to_string(compatibility) + " !");
        return finish(Outcome::FileRefused,
                      notStarted(text(kKeyNotThisController, {std::to_string(compatibility)})));
    }
    const FileFault fault = checkFileLayout(*file);
    if (fault != FileFault::None) {
        m_host.insertLogLine("Firmware file error");
        return finish(Outcome::FileRefused, notStarted(fileFaultText(fault, *file)));
    }
    const uint16_t count = file->blockCount();
    m_host.setBootProgress(0, count);
    const BlockCheck check = verifyFirmwareBlocks(*file);
    for (size_t j = 0; j < check.lines.size(); ++j) {
        m_host.setBootProgress(static_cast<int>(j), count);
        m_host.insertLogLine(check.lines[j]);
    }
    m_host.setBootProgress(0, count);
    if (check.errors > 0) {
        m_prompts.message("CRC file error.");
        return finish(Outcome::FileRefused,
                      notStarted(text(kKeyBadBlockSums, {std::to_string(check.errors)})));
    }
    if (!m_host.beforeUpgradeStarts())
        return finish(Outcome::Cancelled, "cancelled");
    m_file = std::move(file);
    return transfer(*m_file);
}

FirmwareUpgrade::Outcome FirmwareUpgrade::resume(FirmwareFile file)
{
    m_resuming = true;
    m_file = std::move(file);
    m_host.insertLogLine(resumeText());
    // The controller runs no application that could have answered before.
    m_link.state().connected = false;
    return transfer(*m_file);
}

FirmwareUpgrade::Outcome FirmwareUpgrade::transfer(const FirmwareFile& file)
{
    ConnectionState& state = m_link.state();
    const uint16_t count = file.blockCount();
    m_lineLost = false;
    m_noPortOpened = false;
    m_openFailures.clear();

    // --- the bootloader -----------------------------------------------------
    const bool wasConnected = state.connected;
    // A controller left in its bootloader (after a restart of the tool, or a
    // search that found nothing) is reached on a port the upgrade opens.
    const bool ownPort = !state.portOpen;
    std::vector<std::string> ports;
    if (ownPort) {
        if (!m_link.selectedPort().empty())
            ports.push_back(m_link.selectedPort());
        for (const auto& p : m_host.candidatePorts())
            if (std::find(ports.begin(), ports.end(), p) == ports.end())
                ports.push_back(p);
    } else {
        ports.push_back(m_link.selectedPort());
    }

    const auto& rb = m_link.receiveBuffer();
    bool reached = false;
    bool commandSent = false;
    for (const auto& port : ports) {
        if (ownPort) {
            m_link.selectPort(port);
            if (!m_link.openPort()) {
                m_host.insertLogLine(port + ": " + m_link.lastOpenError());
                m_openFailures.emplace_back(port, m_link.lastOpenError());
                continue;
            }
            m_host.insertLogLine("port " + port);
        }
        if (!m_link.sendCommand(wire::kCmdRead, wire::kReadBoot, 0, 0)) {
            m_host.insertLogLine(" ERROR Boot CMD SEND ");
            if (ownPort)
                m_link.closePort();
            continue;
        }
        commandSent = true;
        // From here the status polling stays quiet.
        state.connected = false;
        m_link.clock().sleepMs(fw::kAfterBootCommandMs);
        (void)m_link.readResponse(wire::kDrainLen, 0, 0);
        m_host.insertLogLine(" Boot CMD SEND OK");

        sendBootFrame(wire::kBootQuery);
        m_link.clock().sleepMs(fw::kBeforeBootReplyMs);
        if (m_link.readResponse(wire::kBootQueryReplyLen, 0, 0) && rb[0] == wire::kBootMagic0
            && rb[1] == wire::kBootMagic1) {
            m_host.setTalkToBootCaption("msg: " + replyBytes(wire::kBootQueryReplyLen));
            reached = true;
            break;
        }
        m_host.setTalkToBootCaption("Response error");
        // Polling comes back only where a controller was connected before.
        bootLeave(wasConnected);
        m_host.insertLogLine(" ERROR Bootloader RESP");
        if (ownPort)
            m_link.closePort();
    }
    if (!reached) {
        if (ports.empty())
            m_host.insertLogLine(" ERROR Boot CMD SEND ");
        m_noPortOpened = ownPort && !commandSent && m_openFailures.size() == ports.size();
        if (m_resuming && !commandSent)
            return finish(Outcome::NoBootloader, text(kKeyWaitingForAdapter));
        return finish(Outcome::NoBootloader,
                      commandSent ? text(kKeyNoBootloaderAnswer)
                                  : notStarted(text(ports.empty() ? kKeyNoPort : kKeyNotReached)));
    }

    sendBootFrame(wire::kBootWriteMode);
    m_link.clock().sleepMs(fw::kBeforeBootReplyMs);
    if (m_link.readResponse(wire::kBootReplyLen, 0, 0) && rb[0] == wire::kBootMagic0
        && rb[1] == wire::kBootMagic1) {
        m_host.setSwitchToSaveCaption("tryb zapisu : " + replyBytes(wire::kBootReplyLen));
    } else {
        m_host.setSwitchToSaveCaption("Brak przelaczenia w zapis");
        m_host.insertLogLine(" ERROR Bootloader setting WRITE FLASH OPERATION");
        if (m_link.lineHungUp()) {
            // Gone between the handover and the first block: the bootloader
            // waits all the same.
            m_lineLost = true;
            const std::string last = lineLostText(0, count);
            m_prompts.message(last);
            return finish(Outcome::LeftInBootloader, last);
        }
        const std::string last = leftInBootloader(text(kKeyNoWriteSwitch));
        m_prompts.message(last);
        return finish(Outcome::LeftInBootloader, last);
    }

    // --- the blocks -----------------------------------------------------------
    if (const auto failed = transferBlocks(file)) {
        m_host.insertLogLine(" ERROR during upgrade");
        if (m_lineLost) {
            const std::string last = lineLostText(*failed, count);
            m_prompts.message(last);
            return finish(Outcome::LeftInBootloader, last);
        }
        const std::string last = leftInBootloader(
            text(kKeyBlockRefused, {std::to_string(*failed), std::to_string(fw::kMaxBlockAttempts)}));
        m_prompts.message(last);
        return finish(Outcome::LeftInBootloader, last);
    }
    m_host.setBootProgress(count, count);
    bootLeave(true);
    m_host.autoConnect();

    // Success is what the controller reports after the reconnect.
    const std::string wanted = file.versionText();
    if (!state.connected)
        return finish(Outcome::DoneNotConfirmed, text(kKeyNoAnswerAfter));
    const std::string reported = std::to_string(state.softwareVersion) + "." + std::to_string(state.softwareRevision);
    if (reported != wanted)
        return finish(Outcome::DoneNotConfirmed, text(kKeyOtherVersion, {reported, wanted}));
    return finish(Outcome::Done, text(kKeyDone, {reported}));
}

std::optional<uint32_t> FirmwareUpgrade::transferBlocks(const FirmwareFile& file)
{
    const uint16_t count = file.blockCount();
    const auto& rb = m_link.receiveBuffer();
    for (uint32_t j = 0; j < count; ++j) {
        const auto frame = file.buildBlockFrame(j);
        for (int rejected = 0;;) {
            m_host.setBootProgress(static_cast<int>(j), count);
            if (!sendFrame(frame.data(), fw::kAfterBlockFrameMs)) {
                // No resends into a dead port.
                m_lineLost = true;
                return j;
            }
            const bool answered = m_link.readResponse(wire::kBootReplyLen, 0, 0);
            const size_t received = m_link.lastResponseBytes();
            const uint8_t code = rb[wire::kBootReplyCodeIndex];
            if (answered
                && (code == wire::kBlockAccepted || (code == wire::kBlockFlashErased && j == wire::kEraseBlockIndex))) {
                m_host.insertLogLine(std::to_string(j) + " jest: " + replyBytes(wire::kBootReplyLen));
                break;
            }
            m_host.insertLogLine(std::to_string(j) + " redo write");
            // A reply still on its way would otherwise answer the resend.
            if (!answered)
                settleLine();
            sendFrame(frame.data(), fw::kAfterBlockFrameMs);
            // The resend's reply is not read: it must be gone before the
            // block goes out again.
            settleLine();
            // Byte 2 counts only when this attempt's reply reached it.
            const std::string result = received > wire::kBootReplyCodeIndex ? blockResultText(code) : std::string(" no reply");
            if (!result.empty())
                m_host.insertLogLine(std::to_string(j) + result);
            if (++rejected >= fw::kMaxBlockAttempts)
                return j;
        }
    }
    return std::nullopt;
}

} // namespace kdx

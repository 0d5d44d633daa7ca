#include "firmware/FirmwareUpgrade.h"

#include <cstdio>
#include <memory>
#include <random>
#include <unistd.h>

namespace kdx {

std::string hex2(uint8_t value)
{
    static const char digits[] = "0123456789ABCDEF";
    return {digits[value >> 4], digits[value & 0x0F]};
}

std::string blockResultText(uint8_t code)
{
    switch (code) {
    case 0: return " dane OK :-)";
    case 1: return " error - CRC";
    case 2: return " error - Zapis Flash";
    case 3: return " error - Zapis Eeprom";
    case 4: return " erase Flash OK :-) ";
    case 5: return " blad - KODOWANIE !";
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

std::optional<FirmwareFile> FirmwareUpgrade::openFirmwareFile()
{
    // A missing folder leaves the current directory as it is.
    (void)::chdir(m_folder.c_str());
    const auto chosen = m_prompts.openFirmwareFile(m_folder);
    if (!chosen)
        return std::nullopt;

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
        return std::nullopt;
    }
    m_host.clearLog();
    m_host.insertLogLine(std::to_string(text.size()) + " Bytes Read");
    FirmwareFile file(std::move(text));
    // A file cut short would have the block loop read past its end.
    if (!file.isComplete())
        return std::nullopt;
    return file;
}

void FirmwareUpgrade::sendFrame(const uint8_t* frame, uint32_t afterMs)
{
    Clock& clock = m_link.clock();
    clock.sleepMs(fw::kBeforeFrameMs);
    m_link.drainTransmit();
    (void)m_link.transmitBytes(frame, wire::kBootFrameSize);
    clock.sleepMs(afterMs);
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

void FirmwareUpgrade::bootLeave()
{
    sendBootFrame(wire::kBootLeave);
    m_link.state().connected = true;
}

std::string FirmwareUpgrade::replyBytes(size_t count) const
{
    const auto& rb = m_link.receiveBuffer();
    std::string s;
    for (size_t i = 0; i < count; ++i)
        s += (i ? " 0x" : "0x") + hex2(rb[i]);
    return s;
}

void FirmwareUpgrade::run()
{
    ConnectionState& state = m_link.state();
    if (state.softwareVersion > 1)
        return;

    const auto file = openFirmwareFile();
    if (!file) {
        m_host.insertLogLine("Firmware file error");
        return;
    }
    const uint8_t compatibility = file->compatibilityNumber();
    if (compatibility != fw::kCompatibleNumber) {
        m_prompts.message("ERROR VERSION CONFLICT confirm: " + std::to_string(compatibility) + " !");
        return;
    }
    if (!m_host.beforeUpgradeStarts())
        return;

    if (!m_link.sendCommand(wire::kCmdRead, wire::kReadBoot, 0, 0)) {
        m_host.insertLogLine(" ERROR Boot CMD SEND ");
        return;
    }
    // From here the status polling stays quiet.
    state.connected = false;
    m_link.clock().sleepMs(fw::kAfterBootCommandMs);
    (void)m_link.readResponse(wire::kDrainLen, 0, 0);
    m_host.insertLogLine(" Boot CMD SEND OK");

    const auto& rb = m_link.receiveBuffer();
    sendBootFrame(wire::kBootQuery);
    m_link.clock().sleepMs(fw::kBeforeBootReplyMs);
    if (m_link.readResponse(wire::kBootQueryReplyLen, 0, 0) && rb[0] == wire::kBootMagic0
        && rb[1] == wire::kBootMagic1) {
        m_host.setTalkToBootCaption("msg: " + replyBytes(wire::kBootQueryReplyLen));
    } else {
        m_host.setTalkToBootCaption("Response error");
        bootLeave();
        m_host.insertLogLine(" ERROR Bootloader RESP");
        return;
    }

    sendBootFrame(wire::kBootWriteMode);
    m_link.clock().sleepMs(fw::kBeforeBootReplyMs);
    if (m_link.readResponse(wire::kBootReplyLen, 0, 0) && rb[0] == wire::kBootMagic0
        && rb[1] == wire::kBootMagic1) {
        m_host.setSwitchToSaveCaption("tryb zapisu : " + replyBytes(wire::kBootReplyLen));
    } else {
        m_host.setSwitchToSaveCaption("Brak przelaczenia w zapis");
        m_host.insertLogLine(" ERROR Bootloader setting WRITE FLASH OPERATION");
        return;
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
        m_host.insertLogLine(" ERROR during upgrade");
        return;
    }

    if (!transferBlocks(*file)) {
        m_host.insertLogLine(" ERROR during upgrade");
        return;
    }
    bootLeave();
    m_host.autoConnect();
}

bool FirmwareUpgrade::transferBlocks(const FirmwareFile& file)
{
    const uint16_t count = file.blockCount();
    const auto& rb = m_link.receiveBuffer();
    for (uint32_t j = 0; j < count; ++j) {
        const auto frame = file.buildBlockFrame(j);
        for (int rejected = 0;;) {
            m_host.setBootProgress(static_cast<int>(j), count);
            sendFrame(frame.data(), fw::kAfterBlockFrameMs);
            const bool answered = m_link.readResponse(wire::kBootReplyLen, 0, 0);
            const uint8_t code = rb[2];
            if (answered && (code == 0 || (code == 4 && j == fw::kEraseBlock))) {
                m_host.insertLogLine(std::to_string(j) + " jest: " + replyBytes(wire::kBootReplyLen));
                break;
            }
            m_host.insertLogLine(std::to_string(j) + " redo write");
            sendFrame(frame.data(), fw::kAfterBlockFrameMs);
            const std::string result = blockResultText(code);
            if (!result.empty())
                m_host.insertLogLine(std::to_string(j) + result);
            // The controller stays in its bootloader; the technician can
            // start the upgrade again.
            if (++rejected >= fw::kMaxBlockAttempts)
                return false;
        }
    }
    return true;
}

} // namespace kdx

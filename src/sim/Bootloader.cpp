#include "sim/Bootloader.h"

#include "protocol/Wire.h"
#include "sim/SimConstants.h"

#include <algorithm>

namespace kdx::sim {

namespace {

uint8_t payloadSum(const uint8_t* frame)
{
    uint8_t sum = 0;
    for (size_t i = 0; i < kBootPayloadLen; ++i)
        sum = static_cast<uint8_t>(sum + frame[i]);
    return sum;
}

bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }

} // namespace

void Bootloader::enter(const std::vector<FaultSet::Rejection>& rejections)
{
    *this = Bootloader();
    m_rejections = rejections;
}

std::optional<Bootloader::Version> Bootloader::versionAt(const uint8_t* t)
{
    auto number = [&](size_t at) -> std::optional<unsigned> {
        if (!isDigit(t[at]) || !isDigit(t[at + 1]) || !isDigit(t[at + 2]))
            return std::nullopt;
        return (t[at] - '0') * 100u + (t[at + 1] - '0') * 10u + (t[at + 2] - '0');
    };
    const auto major = number(0);
    const auto minor = number(4);
    if (!major || !minor || !number(8) || isDigit(t[3]) || isDigit(t[7]))
        return std::nullopt;
    return Version{static_cast<uint8_t>(*major % 256), static_cast<uint8_t>(*minor % 256)};
}

std::optional<Bootloader::Version> Bootloader::parseVersionText(const uint8_t* payload, size_t size)
{
    if (size < kVersionTextOffset + kVersionTextLen)
        return std::nullopt;
    return versionAt(payload + kVersionTextOffset);
}

std::optional<Bootloader::Version> Bootloader::findVersionText(const uint8_t* payload, size_t size)
{
    for (size_t at = 0; at + kVersionTextLen <= size; ++at)
        if (const auto v = versionAt(payload + at))
            return v;
    return std::nullopt;
}

std::vector<uint8_t> Bootloader::blockReply(uint8_t code, uint32_t index) const
{
    return {wire::kBootMagic0, wire::kBootMagic1, code, static_cast<uint8_t>(index & 0xFF), wire::kFrameEnd};
}

Bootloader::Outcome Bootloader::handleFrame(const uint8_t* frame, size_t size)
{
    Outcome out;
    if (size != wire::kBootFrameSize)
        return out;
    const bool sumOk = payloadSum(frame) == frame[kBootPayloadLen] && frame[211] == wire::kFrameEnd;

    // A frame of the tool's own: "Bi", kind, filler, sum. (A firmware block
    // that happens to start the same way would be taken for one.)
    if (sumOk && frame[0] == wire::kBootMagic0 && frame[1] == wire::kBootMagic1
        && frame[2] >= wire::kBootQuery && frame[2] <= wire::kBootLeave) {
        m_repeatWindow = false;
        switch (frame[2]) {
        case wire::kBootQuery:
            out.reply = {wire::kBootMagic0, wire::kBootMagic1, 0x00, kBootloaderVersion,
                         static_cast<uint8_t>(m_writeMode ? 1 : 0), 0x00, 0x00, wire::kFrameEnd};
            break;
        case wire::kBootWriteMode:
            // Writing starts over from the first block: a transfer cut off
            // (the adapter pulled) is sent again whole.
            m_writeMode = true;
            m_nextBlock = 0;
            m_lastAccepted.clear();
            m_lastRejected = false;
            m_placedVersion.reset();
            m_foundVersion.reset();
            out.reply = {wire::kBootMagic0, wire::kBootMagic1, 0x00, wire::kBootWriteMode, wire::kFrameEnd};
            break;
        default:
            out.leave = true;
            break;
        }
        return out;
    }

    const std::vector<uint8_t> payload(frame, frame + kBootPayloadLen);
    if (m_repeatWindow && payload == m_lastAccepted) {
        const uint32_t index = m_nextBlock - 1;
        out.reply = blockReply(index == wire::kEraseBlockIndex ? wire::kBlockFlashErased : wire::kBlockAccepted, index);
        return out;
    }
    m_repeatWindow = false;

    const uint32_t index = m_nextBlock;
    uint8_t code = wire::kBlockAccepted;
    bool forced = false;
    if (!m_writeMode)
        code = wire::kBlockFlashWriteFailed;
    else if (!sumOk)
        code = wire::kBlockBadChecksum;
    else {
        for (auto& r : m_rejections) {
            if (r.block == index && r.times > 0) {
                --r.times;
                code = r.code;
                forced = true;
                break;
            }
        }
    }
    const bool taken = m_writeMode && sumOk && !forced;
    if (!taken) {
        m_lastRejected = true;
        ++m_rejectionsSent;
        out.reply = blockReply(code, index);
        return out;
    }
    // The version text sits at its fixed place in block 0; an image laid out
    // otherwise is searched for the first "DDD.DDD.DDD" in its blocks.
    if (index == 0)
        m_placedVersion = parseVersionText(frame, kBootPayloadLen);
    if (!m_foundVersion)
        m_foundVersion = findVersionText(frame, kBootPayloadLen);
    m_lastAccepted = payload;
    m_repeatWindow = m_lastRejected;
    m_lastRejected = false;
    ++m_nextBlock;
    out.reply = blockReply(index == wire::kEraseBlockIndex ? wire::kBlockFlashErased : wire::kBlockAccepted, index);
    return out;
}

} // namespace kdx::sim

#include "ProtocolBudget.h"

#include "firmware/FirmwareConstants.h"
#include "protocol/Wire.h"
#include "params/ParamConstants.h"

#include <algorithm>
#include <cmath>

namespace kdx::drive {

double ProtocolBudget::wireMs(size_t bytes) const
{
    return static_cast<double>(bytes) * wire::kBitsPerByte * 1000.0 / wire::kBaudRate;
}

void ProtocolBudget::transmit(size_t bytes, size_t answerBytes)
{
    if (m_line == Line::Serial)
        m_ms += wireMs(bytes);
    m_answerDoneMs.reset();
    if (answerBytes > 0)
        m_answerDoneMs = m_ms + wireMs(answerBytes);
}

void ProtocolBudget::command(size_t answerBytes)
{
    transmit(wire::kFrameSize, answerBytes);
    pause(wire::kSendPauseMs);
}

void ProtocolBudget::read()
{
    const double poll = wire::kPollPauseMs;
    const double waiting = m_answerDoneMs ? std::max(0.0, *m_answerDoneMs - m_ms) : 0.0;
    // The poll at or after the last byte, then one more.
    const double polls = std::max(1.0, std::ceil(waiting / poll - 1e-9)) + 1.0;
    m_ms += polls * poll;
    m_answerDoneMs.reset();
}

void ProtocolBudget::readNothing()
{
    m_ms += static_cast<double>(wire::kMaxPolls) * wire::kPollPauseMs;
    m_answerDoneMs.reset();
}

double ProtocolBudget::connect(Line line, unsigned logWriteFrames)
{
    ProtocolBudget b(line);
    b.pause(wire::kSearchPauseMs);
    b.readNothing(); // whatever the port still held
    b.command(wire::kIdentifyLen);
    b.read();
    b.pause(wire::kIdentifyPauseMs);
    b.command(wire::kIdentifyLen);
    b.read();
    for (size_t page = 0; page < wire::kImageSize / wire::kPageSize; ++page) {
        b.pause(wire::kPagePrePauseMs);
        b.command(wire::kPageResponseLen);
        b.pause(wire::kPagePostPauseMs);
        b.read();
    }
    for (unsigned i = 0; i < logWriteFrames; ++i)
        b.command();
    b.pause(wire::kSendPauseMs);
    return b.ms();
}

double ProtocolBudget::statusCycle() { return 2.0 * wire::kTimerIntervalMs; }

double ProtocolBudget::firmwareBlock(Line line)
{
    ProtocolBudget b(line);
    b.pause(fw::kBeforeFrameMs);
    b.transmit(wire::kBootFrameSize, wire::kBootReplyLen);
    b.pause(fw::kAfterBlockFrameMs);
    b.read();
    return b.ms();
}

double ProtocolBudget::resetParameters(Line line, unsigned logWriteFrames)
{
    ProtocolBudget b(line);
    for (size_t i = 0; i < params::kWordCount; ++i)
        b.command();
    b.pause(params::kResetSavePauseMs);
    b.command(); // save to EEPROM
    b.pause(params::kResetReconnectPauseMs);
    return b.ms() + connect(line, logWriteFrames);
}

} // namespace kdx::drive

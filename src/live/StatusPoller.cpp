#include "live/StatusPoller.h"

#include "live/LiveConstants.h"
#include "protocol/Wire.h"

#include <algorithm>
#include <utility>

namespace kdx {

StatusPoller::StatusPoller(DeviceLink& link, ImageBytes& image, ImageWriter& writer, TextLookup texts)
    : m_link(link), m_image(image), m_writer(writer), m_texts(std::move(texts))
{
}

TickResult StatusPoller::tick()
{
    TickResult result;
    if (!m_link.state().connected)
        return result;
    if (m_pollPhase == 0)
        sendTick(result);
    else
        receiveTick(result);
    return result;
}

void StatusPoller::sendTick(TickResult& result)
{
    result.kind = TickResult::Kind::Sent;

    result.saveLamp = watchImage();

    if (m_quietTime < live::kQuietTimeCapMs)
        m_quietTime = static_cast<uint16_t>(m_quietTime + wire::kTimerIntervalMs);

    // A save whose frame did not reach the port (line gone) stays pending and
    // the lamp keeps saying so; it goes out on a later send tick.
    if (m_quietTime > live::kSaveQuietMs && m_savePending) {
        if (m_writer.saveToEeprom()) {
            m_savePending = false;
            m_refused.clear();
            result.saveIssued = true;
            result.saveLamp = saveLamp();
        } else if (std::string refused = m_writer.saveRefusal(); !refused.empty()) {
            // Saved as far as the controller takes it; the lamp names what it
            // did not take until a later save gets it through.
            m_savePending = false;
            m_refused = std::move(refused);
            result.saveIssued = true;
            result.saveLamp = saveLamp();
        } else if (!m_link.lineHungUp() && m_link.silentForMs(0)) {
            // The controller did not answer the check: again after another
            // quiet second, not on every tick.
            m_quietTime = 0;
        }
    }

    // Nothing follows the request in this tick and the answer is read at
    // the next: its pause is not slept here but before the line's next use.
    m_link.sendCommand(wire::kCmdRead, wire::kReadStatus, 0, 0, DeviceLink::PauseAfter::BeforeNextUse);
    m_pollPhase = 1;
}

std::optional<TickResult::SaveLamp> StatusPoller::watchImage()
{
    bool changed = false;
    for (size_t unit = 0; unit < m_image.size(); unit += live::kShadowUnitBytes) {
        const auto first = m_image.begin() + static_cast<long>(unit);
        const auto last = first + static_cast<long>(live::kShadowUnitBytes);
        if (!std::equal(first, last, m_shadow.begin() + static_cast<long>(unit))) {
            std::copy(first, last, m_shadow.begin() + static_cast<long>(unit));
            changed = true;
        }
    }
    if (!changed)
        return std::nullopt;
    m_savePending = true;
    m_quietTime = 0;
    return saveLamp();
}

TickResult::SaveLamp StatusPoller::saveLamp() const
{
    if (!m_savePending && !m_refused.empty())
        return TickResult::SaveLamp{true, m_refused, 0};
    const int key = m_savePending ? live::kTextSendingData : live::kTextDataSaved;
    return TickResult::SaveLamp{m_savePending, m_texts(key), key};
}

void StatusPoller::receiveTick(TickResult& result)
{
    result.kind = TickResult::Kind::Received;
    const auto& answer = m_link.receiveBuffer();

    if (!m_link.readResponse(wire::kStatusResponseLen, wire::kStatusSumStart, wire::kStatusSumEnd)) {
        result.counter = count(CounterLabel::Lost, m_lost);
    } else if (answer[0] != wire::kStatusStart || answer[1] != wire::kStatusSecond
               || answer[wire::kStatusEndIndex] != wire::kFrameEnd) {
        result.counter = count(CounterLabel::Bad, m_bad);
    } else if (answer[wire::kStatusSumIndex] != m_link.responseSum()) {
        result.counter = count(CounterLabel::Crc, m_crc);
    } else {
        result.frame = StatusFrame::fromResponse(answer.data(), wire::kStatusResponseLen);
    }
    m_pollPhase = 0;
}

TickResult::Counter StatusPoller::count(CounterLabel label, uint32_t& counter)
{
    ++counter;
    return TickResult::Counter{label, counterText(label)};
}

std::string StatusPoller::counterText(CounterLabel label) const
{
    switch (label) {
    case CounterLabel::Crc: return m_texts(live::kTextCrcCounter) + std::to_string(m_crc);
    case CounterLabel::Bad: return m_texts(live::kTextBadCounter) + std::to_string(m_bad);
    case CounterLabel::Lost: break;
    }
    return m_texts(live::kTextLostCounter) + std::to_string(m_lost);
}

std::string StatusPoller::initialCounterText(CounterLabel label)
{
    switch (label) {
    case CounterLabel::Crc: return "Pakiet Blad CRC: 0";
    case CounterLabel::Bad: return "Pakiet blad: 0";
    case CounterLabel::Lost: break;
    }
    return "Pakiet utracony: 0";
}

} // namespace kdx

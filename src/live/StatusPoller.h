#pragma once

#include "link/DeviceLink.h"
#include "live/ImageWriter.h"
#include "live/LiveTexts.h"
#include "live/StatusFrame.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kdx {

// The three link-error labels of the parameter page.
enum class CounterLabel {
    Crc,  // LabeBladCRC
    Bad,  // LabelPakietBlad
    Lost, // LabelPakietUtracony
};

// What one timer tick asks the window to show.
struct TickResult {
    enum class Kind { Idle, Sent, Received };
    Kind kind = Kind::Idle;

    // The save lamp AbLEDZapisDoPamieci, when this tick changed it: on with
    // "Sending data !!" while changes wait for the EEPROM save, off with
    // "Data saved." once the save went out and was found in the controller,
    // on with the writer's refusal ("Not saved: NAME") when the controller
    // would not take NAME. The
    // caption is the text of `textKey` at the time of the tick (0: none).
    struct SaveLamp {
        bool on = false;
        std::string caption;
        int textKey = 0;
    };
    std::optional<SaveLamp> saveLamp;
    bool saveIssued = false; // the deferred EEPROM save went out this tick

    // A counter label that moved, with its new caption.
    struct Counter {
        CounterLabel label = CounterLabel::Lost;
        std::string text;
    };
    std::optional<Counter> counter;

    // A valid status frame: decode it, repaint the map grids, let the tester
    // take its step.
    std::optional<StatusFrame> frame;
};

// The 50 ms timer's work while connected: every other tick requests the
// status, the tick after reads and checks the answer. The send tick also runs
// the deferred EEPROM save: an edit of the image is committed once the image
// has stayed unchanged for a second of timer time.
class StatusPoller {
public:
    StatusPoller(DeviceLink& link, ImageBytes& image, ImageWriter& writer, TextLookup texts);

    TickResult tick();

    // The next tick sends (a connection attempt begins, or the read failed).
    void resetPollPhase() { m_pollPhase = 0; }
    // The image as now shown counts as saved: called last when the parameters
    // are shown, so that reading them never starts a save. A save already
    // pending stays pending.
    void syncShadow() { m_shadow = m_image; }
    // A save is due although the image equals the shadow (edits sent again
    // after a reconnect, shown with the parameters).
    void requestSave()
    {
        m_savePending = true;
        m_quietTime = 0;
    }
    // The save watcher of the send tick on its own: an edit not yet seen
    // starts the deferred save. Run before the shadow is refreshed for any
    // reason other than a fresh read (showing the parameters again, a new
    // connection attempt), so that no sent edit escapes the EEPROM save.
    // Returns the lamp change, if any.
    std::optional<TickResult::SaveLamp> watchImage();
    // The lamp as it stands (for a caption in a new language).
    TickResult::SaveLamp saveLamp() const;

    uint32_t lostPacketCount() const { return m_lost; }
    uint32_t badPacketCount() const { return m_bad; }
    uint32_t crcErrorCount() const { return m_crc; }
    // Caption of a counter label with the current prefix text and count (used
    // after a language change).
    std::string counterText(CounterLabel label) const;
    // The label's caption before its first error.
    static std::string initialCounterText(CounterLabel label);

    uint8_t pollPhase() const { return m_pollPhase; }
    bool savePending() const { return m_savePending; }
    uint16_t quietTime() const { return m_quietTime; }
    const ImageBytes& shadow() const { return m_shadow; }

private:
    void sendTick(TickResult& result);
    void receiveTick(TickResult& result);
    TickResult::Counter count(CounterLabel label, uint32_t& counter);

    DeviceLink& m_link;
    ImageBytes& m_image;
    ImageWriter& m_writer;
    TextLookup m_texts;

    uint8_t m_pollPhase = 0;
    uint32_t m_lost = 0;
    uint32_t m_bad = 0;
    uint32_t m_crc = 0;
    ImageBytes m_shadow{};
    bool m_savePending = false;
    uint16_t m_quietTime = 0;
    std::string m_refused; // what the last save could not get into the controller
};

} // namespace kdx

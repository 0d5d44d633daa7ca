#pragma once

#include "live/ImageWriter.h"
#include "live/LiveConstants.h"
#include "live/Rgb.h"
#include "live/UtcDate.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace kdx {

// The log of PCs kept in the controller's parameter memory: slot 7 holds the
// first PC that ever connected, slots 0..6 the most recent ones, newest in 0.
// Each slot is a 32-bit PC identity (bytes 24 + 4i) and a packed date
// (word 28 + i: bit 0 foreign and kept, bits 1-5 day, 6-9 month, 10-15 year
// minus 2000). Lives in the image; changes go out through the ImageWriter.
class ConnectionLog {
public:
    // Row classes, kept per slot from the last time the log was shown.
    static constexpr uint8_t kClassOther = 0;
    static constexpr uint8_t kClassThisPc = 1;
    static constexpr uint8_t kClassEmpty = 128;

    ConnectionLog(ImageBytes& image, ImageWriter& writer);

    uint32_t identity(unsigned slot) const;
    uint16_t date(unsigned slot) const;
    static bool isEmptyDate(uint16_t word) { return word == 0 || word == 0xFFFF; }

    // Stamps slot (above 7 counts as 0) with `today` and pcIdentity and sends
    // its date word and identity.
    void writeLogSlot(unsigned slot, uint32_t pcIdentity, const UtcDate& today);
    // Records this PC: fills slot 7 while it is empty; else refreshes every
    // slot 0..6 that holds this PC; else pushes the list down and writes
    // slot 0.
    void update(uint32_t pcIdentity, const UtcDate& today);

    // Texts of grid rows 1..8 (slot = row - 1); also refreshes the row classes.
    struct Row {
        std::string date;     // column 0
        std::string identity; // column 1
    };
    std::array<Row, live::kLogSlots> show(uint32_t pcIdentity);
    uint8_t rowClass(unsigned slot) const { return slot < live::kLogSlots ? m_rowClass[slot] : 0; }

    // Fill colour of a grid row (1..8) for its class; nothing for the heading
    // row, which is not filled. Text is always black at (+1, +1).
    static std::optional<Rgb> cellColour(int row, uint8_t rowClass);
    // Fill colour of a row from the classes as last shown.
    std::optional<Rgb> cellColour(int row) const;

    static uint16_t packDate(uint16_t oldWord, const UtcDate& today);
    static std::string dateText(uint16_t word);

private:
    void setIdentity(unsigned slot, uint32_t value);
    void setDate(unsigned slot, uint16_t value);

    ImageBytes& m_image;
    ImageWriter& m_writer;
    std::array<uint8_t, live::kLogSlots> m_rowClass{};
};

} // namespace kdx

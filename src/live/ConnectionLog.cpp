#include "live/ConnectionLog.h"

#include "live/NumberText.h"

namespace kdx {

using live::kLogDateOffset;
using live::kLogDateWord;
using live::kLogFirstPcSlot;
using live::kLogIdentityOffset;
using live::kLogSlots;

ConnectionLog::ConnectionLog(ImageBytes& image, ImageWriter& writer)
    : m_image(image), m_writer(writer)
{
}

uint32_t ConnectionLog::identity(unsigned slot) const
{
    if (slot >= kLogSlots)
        return 0;
    const size_t at = kLogIdentityOffset + 4 * slot;
    return static_cast<uint32_t>(m_image[at]) | (static_cast<uint32_t>(m_image[at + 1]) << 8)
           | (static_cast<uint32_t>(m_image[at + 2]) << 16) | (static_cast<uint32_t>(m_image[at + 3]) << 24);
}

uint16_t ConnectionLog::date(unsigned slot) const
{
    if (slot >= kLogSlots)
        return 0;
    const size_t at = kLogDateOffset + 2 * slot;
    return static_cast<uint16_t>(m_image[at] | (m_image[at + 1] << 8));
}

void ConnectionLog::setIdentity(unsigned slot, uint32_t value)
{
    const size_t at = kLogIdentityOffset + 4 * slot;
    for (size_t i = 0; i < 4; ++i)
        m_image[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void ConnectionLog::setDate(unsigned slot, uint16_t value)
{
    const size_t at = kLogDateOffset + 2 * slot;
    m_image[at] = static_cast<uint8_t>(value & 0xFF);
    m_image[at + 1] = static_cast<uint8_t>(value >> 8);
}

uint16_t ConnectionLog::packDate(uint16_t oldWord, const UtcDate& today)
{
    const unsigned y = today.year >= 2000 ? static_cast<unsigned>(today.year - 2000) : 0u;
    return static_cast<uint16_t>((oldWord & 1u) | ((static_cast<unsigned>(today.day) & 0x1Fu) << 1)
                                 | ((static_cast<unsigned>(today.month) & 0xFu) << 6) | ((y & 0x3Fu) << 10));
}

std::string ConnectionLog::dateText(uint16_t word)
{
    if (isEmptyDate(word))
        return "Y: - M: - D: - ";
    unsigned month = (word >> 6) & 0xFu;
    if (month > 12)
        month = 12;
    return "Y:" + std::to_string(2000 + (word >> 10)) + " M:" + std::to_string(month)
           + " D:" + std::to_string((word >> 1) & 0x1Fu);
}

void ConnectionLog::writeLogSlot(unsigned slot, uint32_t pcIdentity, const UtcDate& today)
{
    if (slot >= kLogSlots)
        slot = 0;
    setDate(slot, packDate(date(slot), today));
    m_writer.writeWord(kLogDateWord + slot);
    setIdentity(slot, pcIdentity);
    m_writer.writeDword(static_cast<unsigned>(kLogIdentityOffset + 4 * slot));
}

void ConnectionLog::update(uint32_t pcIdentity, const UtcDate& today)
{
    if (isEmptyDate(date(kLogFirstPcSlot))) {
        writeLogSlot(kLogFirstPcSlot, pcIdentity, today);
        return;
    }
    bool found = false;
    for (unsigned i = 0; i < kLogFirstPcSlot; ++i) {
        if (identity(i) == pcIdentity) {
            writeLogSlot(i, pcIdentity, today);
            found = true;
        }
    }
    if (found)
        return;
    for (unsigned i = kLogFirstPcSlot - 1; i-- > 0;) {
        setIdentity(i + 1, identity(i));
        setDate(i + 1, date(i));
    }
    for (unsigned i = 1; i < kLogFirstPcSlot; ++i) {
        m_writer.writeWord(kLogDateWord + i);
        m_writer.writeDword(static_cast<unsigned>(kLogIdentityOffset + 4 * i));
    }
    writeLogSlot(0, pcIdentity, today);
}

std::array<ConnectionLog::Row, kLogSlots> ConnectionLog::show(uint32_t pcIdentity)
{
    std::array<Row, kLogSlots> rows;
    for (unsigned i = 0; i < kLogSlots; ++i) {
        const uint32_t id = identity(i);
        rows[i] = Row{dateText(date(i)), NumberText::hex(id, 8)};
        if (id == pcIdentity)
            m_rowClass[i] = kClassThisPc;
        else if (id == 0 || id == 0xFFFFFFFFu)
            m_rowClass[i] = kClassEmpty;
        else
            m_rowClass[i] = kClassOther;
    }
    return rows;
}

std::optional<Rgb> ConnectionLog::cellColour(int row, uint8_t rowClass)
{
    if (row < 1 || row > static_cast<int>(kLogSlots))
        return std::nullopt;
    const bool firstPcRow = row == static_cast<int>(kLogSlots);
    switch (rowClass) {
    case kClassThisPc: return firstPcRow ? Rgb{192, 220, 192} : Rgb{0, 128, 0};
    case kClassOther: return firstPcRow ? Rgb{78, 68, 249} : Rgb{255, 128, 192};
    default: return Rgb{255, 255, 0};
    }
}

std::optional<Rgb> ConnectionLog::cellColour(int row) const
{
    return cellColour(row, row >= 1 ? rowClass(static_cast<unsigned>(row - 1)) : 0);
}

} // namespace kdx

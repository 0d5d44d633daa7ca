#pragma once

#include "params/ParamConstants.h"
#include "params/ParameterLayout.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace kdx {

// The program's copy of the controller's 512-byte parameter memory, byte for
// byte in the controller's order (256 little-endian words). Zero at start.
// The page read fills it in place through bytes()/data(); the editors change
// single fields and then send exactly those with the RegisterWriter.
// Offsets and indices outside the image throw std::out_of_range.
class ParameterImage {
public:
    using Bytes = std::array<uint8_t, params::kImageSize>;

    Bytes& bytes() { return m_bytes; }
    const Bytes& bytes() const { return m_bytes; }
    uint8_t* data() { return m_bytes.data(); }
    const uint8_t* data() const { return m_bytes.data(); }
    static constexpr size_t size() { return params::kImageSize; }

    uint8_t byte(size_t offset) const;
    void setByte(size_t offset, uint8_t value);
    // Word i is bytes 2i (low) and 2i+1 (high).
    uint16_t word(size_t index) const;
    void setWord(size_t index, uint16_t value);
    // 32-bit little-endian value at a byte offset (offset .. offset+3).
    uint32_t dword(size_t offset) const;
    void setDword(size_t offset, uint32_t value);

    // A field entry as stored: zero-extended bits.
    uint32_t raw(const Field& field, size_t entry = 0) const;
    // A field entry as an integer: sign-extended for signed fields.
    int64_t value(const Field& field, size_t entry = 0) const;
    // Stores the low `bits` bits of value (two's complement for negatives).
    void set(const Field& field, int64_t value, size_t entry = 0);
    // value() times the field's scale (tenths as seconds, counts as volts ...).
    double scaled(const Field& field, size_t entry = 0) const;

    uint16_t imageMarker() const { return static_cast<uint16_t>(raw(layout::ImageMarker)); }
    // Only the exact marker value counts as initialised parameters.
    bool isInitialised() const { return imageMarker() == params::kImageMarkerValue; }
    uint32_t serialNumber() const { return raw(layout::SerialNumber); }

    // Connection log slots 0..7.
    uint32_t logIdentity(size_t slot) const { return raw(layout::LogIdentity, slot); }
    void setLogIdentity(size_t slot, uint32_t identity) { set(layout::LogIdentity, identity, slot); }
    uint16_t logDate(size_t slot) const { return static_cast<uint16_t>(raw(layout::LogDate, slot)); }
    void setLogDate(size_t slot, uint16_t date) { set(layout::LogDate, date, slot); }

    bool operator==(const ParameterImage& other) const { return m_bytes == other.m_bytes; }
    bool operator!=(const ParameterImage& other) const { return !(*this == other); }

private:
    static size_t checkedOffset(const Field& field, size_t entry);
    Bytes m_bytes{};
};

} // namespace kdx

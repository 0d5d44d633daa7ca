#include "params/ParameterImage.h"

#include <stdexcept>
#include <string>

namespace kdx {

uint8_t ParameterImage::byte(size_t offset) const { return m_bytes.at(offset); }

void ParameterImage::setByte(size_t offset, uint8_t value) { m_bytes.at(offset) = value; }

uint16_t ParameterImage::word(size_t index) const
{
    if (index >= params::kWordCount)
        throw std::out_of_range("parameter word " + std::to_string(index));
    return static_cast<uint16_t>(m_bytes[2 * index] | (m_bytes[2 * index + 1] << 8));
}

void ParameterImage::setWord(size_t index, uint16_t value)
{
    if (index >= params::kWordCount)
        throw std::out_of_range("parameter word " + std::to_string(index));
    m_bytes[2 * index] = static_cast<uint8_t>(value & 0xFF);
    m_bytes[2 * index + 1] = static_cast<uint8_t>(value >> 8);
}

uint32_t ParameterImage::dword(size_t offset) const
{
    if (offset > params::kImageSize - 4)
        throw std::out_of_range("parameter dword at " + std::to_string(offset));
    return static_cast<uint32_t>(m_bytes[offset]) | (static_cast<uint32_t>(m_bytes[offset + 1]) << 8)
        | (static_cast<uint32_t>(m_bytes[offset + 2]) << 16)
        | (static_cast<uint32_t>(m_bytes[offset + 3]) << 24);
}

void ParameterImage::setDword(size_t offset, uint32_t value)
{
    if (offset > params::kImageSize - 4)
        throw std::out_of_range("parameter dword at " + std::to_string(offset));
    for (size_t i = 0; i < 4; ++i)
        m_bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

size_t ParameterImage::checkedOffset(const Field& field, size_t entry)
{
    if (entry >= field.count)
        throw std::out_of_range(std::string(field.name) + " entry " + std::to_string(entry));
    return field.offsetOf(entry);
}

uint32_t ParameterImage::raw(const Field& field, size_t entry) const
{
    const size_t at = checkedOffset(field, entry);
    uint32_t v = 0;
    for (size_t i = field.widthBytes(); i-- > 0;)
        v = (v << 8) | m_bytes.at(at + i);
    return v;
}

int64_t ParameterImage::value(const Field& field, size_t entry) const
{
    const uint32_t v = raw(field, entry);
    if (!field.isSigned)
        return v;
    const uint32_t signBit = 1u << (field.bits - 1);
    return (v & signBit) ? static_cast<int64_t>(v) - (static_cast<int64_t>(signBit) << 1) : v;
}

void ParameterImage::set(const Field& field, int64_t value, size_t entry)
{
    const size_t at = checkedOffset(field, entry);
    const uint64_t v = static_cast<uint64_t>(value);
    for (size_t i = 0; i < field.widthBytes(); ++i)
        m_bytes.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}

double ParameterImage::scaled(const Field& field, size_t entry) const
{
    return static_cast<double>(value(field, entry)) * field.scale;
}

} // namespace kdx

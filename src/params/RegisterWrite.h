#pragma once

#include "params/ParameterLayout.h"

#include <cstdint>

namespace kdx {

// One register write to send: a word by index, a byte by offset, or the
// 32-bit group holding a byte offset. The value always comes from the image
// at the moment of sending.
struct RegisterWrite {
    WriteKind kind = WriteKind::None;
    uint16_t index = 0; // word index for Word; byte offset for Byte and Dword

    static constexpr RegisterWrite word(uint16_t wordIndex) { return {WriteKind::Word, wordIndex}; }
    static constexpr RegisterWrite byte(uint16_t offset) { return {WriteKind::Byte, offset}; }
    static constexpr RegisterWrite dword(uint16_t offset) { return {WriteKind::Dword, offset}; }
    // The write that belongs to a field entry.
    static constexpr RegisterWrite forField(const Field& field, size_t entry = 0)
    {
        switch (field.write) {
        case WriteKind::Word: return word(field.wordOf(entry));
        case WriteKind::Byte: return byte(field.offsetOf(entry));
        case WriteKind::Dword: return dword(field.offsetOf(entry));
        case WriteKind::None: break;
        }
        return {};
    }

    bool operator==(const RegisterWrite& o) const { return kind == o.kind && index == o.index; }
    bool operator!=(const RegisterWrite& o) const { return !(*this == o); }
};

} // namespace kdx

#pragma once

#include "firmware/FirmwareConstants.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kdx::test {

// Builds firmware file text: 12 header records and `blocks` data records of
// upper-case hex digits with CR LF, version text "vvv.sss.ccc" at byte 43 of
// record 0 and the block count at bytes 8..11 of record 11.
inline std::string makeFirmwareText(uint32_t blocks, const std::string& version = "001.097.001",
                                    uint32_t countField = 0xFFFFFFFF)
{
    static const char digits[] = "0123456789ABCDEF";
    if (countField == 0xFFFFFFFF)
        countField = blocks;
    std::string text;
    auto record = [&](const std::vector<uint8_t>& bytes) {
        for (uint8_t b : bytes) {
            text += digits[b >> 4];
            text += digits[b & 0xF];
        }
        text += "\r\n";
    };
    for (size_t r = 0; r < fw::kHeaderRecords; ++r) {
        std::vector<uint8_t> bytes(fw::kRecordBytes, 0);
        if (r == 0)
            for (size_t i = 0; i < version.size() && 43 + i < bytes.size(); ++i)
                bytes[43 + i] = static_cast<uint8_t>(version[i]);
        if (r == fw::kBlockCountRecord)
            for (size_t i = 0; i < 4; ++i)
                bytes[8 + i] = static_cast<uint8_t>(countField >> (8 * i));
        record(bytes);
    }
    for (uint32_t j = 0; j < blocks; ++j) {
        std::vector<uint8_t> bytes(fw::kRecordBytes, 0);
        uint8_t sum = 0;
        for (size_t i = 0; i < fw::kPayloadBytes; ++i) {
            bytes[i] = static_cast<uint8_t>(j * 7 + i * 13 + 1);
            sum = static_cast<uint8_t>(sum + bytes[i]);
        }
        bytes[fw::kBlockSumIndex] = sum;
        bytes[fw::kFrameEndIndex] = 0x5A; // not 0xE0 on purpose: the sender puts 0xE0 there
        record(bytes);
    }
    return text;
}

// Character index of byte i of record r.
inline size_t recordCharIndex(size_t record, size_t byte)
{
    return fw::kRecordChars * record + 2 * byte;
}

} // namespace kdx::test

#pragma once

#include <cstddef>
#include <cstdint>

namespace kdx::fw {

// Firmware file: fixed records of 424 upper-case hex digits (212 bytes) and
// a two-character line end.
constexpr size_t kRecordChars = 426;
constexpr size_t kRecordBytes = 212;
constexpr size_t kHeaderRecords = 12;
constexpr size_t kPayloadBytes = 210;     // sent unchanged
constexpr size_t kBlockSumIndex = 210;    // sum of bytes 0..209
constexpr size_t kFrameEndIndex = 211;    // always 0xE0 in the sent frame
// Version text in header record 0: three three-digit numbers.
constexpr size_t kVersionFirstByte = 43;
constexpr size_t kVersionSecondByte = 47;
constexpr size_t kVersionThirdByte = 51;  // compatibility number
constexpr uint8_t kCompatibleNumber = 1;
// Block count: u32 little-endian at bytes 8..11 of header record 11.
constexpr size_t kBlockCountRecord = 11;
constexpr size_t kBlockCountByte = 8;

// Protocol waits of the upgrade.
constexpr uint32_t kAfterBootCommandMs = 150;
constexpr uint32_t kBeforeFrameMs = 5;
constexpr uint32_t kAfterBootFrameMs = 50;
constexpr uint32_t kBeforeBootReplyMs = 10;
constexpr uint32_t kAfterBlockFrameMs = 20;

// A block rejected this many times in a row ends the transfer.
constexpr int kMaxBlockAttempts = 10;
// After a frame whose reply was not read (a late or missing reply, the
// immediate resend of a rejected block) the line must have been quiet this
// long before the next frame, so a late reply is never taken for the next
// frame's; the wait ends after kSettleMaxMs whatever arrives.
constexpr uint32_t kSettleQuietMs = 120;
constexpr uint32_t kSettleMaxMs = 1000;

} // namespace kdx::fw

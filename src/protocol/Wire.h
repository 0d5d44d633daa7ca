#pragma once

#include <cstddef>
#include <cstdint>

// Wire protocol of the controller: 19200 baud 8N1, RS-485, PC is master.
// The tool and the simulated controller both speak from this one header.
namespace kdx::wire {

constexpr uint32_t kBaudRate = 19200;
// 8N1: ten bit times per byte.
constexpr uint32_t kBitsPerByte = 10;

// Command frame: [code, b, c, d, (code+b+c+d+0xAA) mod 256, 0xE0].
constexpr size_t kFrameSize = 6;
constexpr uint8_t kFrameSumBias = 0xAA;
constexpr uint8_t kFrameEnd = 0xE0;

// Command codes.
constexpr uint8_t kCmdIdentify = 0x03;
constexpr uint8_t kCmdSetWorkMode = 0x10;   // c = mode
constexpr uint8_t kCmdEraseErrors = 0x61;
constexpr uint8_t kCmdServiceOff = 0x80;
constexpr uint8_t kCmdServiceOn = 0x81;
constexpr uint8_t kCmdRead = 0xAA;          // b selects what is read
constexpr uint8_t kReadPage = 0x01;         //   c, d = page address high, low
constexpr uint8_t kReadStatus = 0x05;
constexpr uint8_t kReadBoot = 0xAA;         //   start the bootloader
constexpr uint8_t kCmdWriteByteBase = 0xC1; // + bits 8..11 of the byte offset
constexpr uint8_t kCmdWriteWordBase = 0xD1; // + bits 8..11 of the word index
constexpr uint8_t kCmdSaveToEeprom = 0xE1;

// Work mode values of kCmdSetWorkMode and of the status frame.
constexpr uint8_t kModeAuto = 0;
constexpr uint8_t kModeManualTrig = 1;
constexpr uint8_t kModeManualConst = 2;
constexpr uint8_t kModeService = 3;
constexpr uint8_t kModeError = 0x80;
constexpr uint8_t kModeOff = 0xFF;

// Answers.
constexpr size_t kIdentifyLen = 8;
constexpr uint8_t kIdentifyStart = 0x41; // 'A'
constexpr size_t kPageResponseLen = 132;
constexpr uint8_t kPageStart = 0x48;     // 'H'
constexpr uint8_t kPageSecond = 0x01;
constexpr size_t kPageSize = 128;
constexpr size_t kImageSize = 512;
constexpr size_t kStatusResponseLen = 100;
constexpr uint8_t kStatusStart = 0x56;
constexpr uint8_t kStatusSecond = 0x05;
constexpr size_t kStatusPayloadLen = 96;
// Status answer: checksum over bytes [2, 98) in byte 98, end mark in byte 99.
constexpr uint16_t kStatusSumStart = 2;
constexpr uint16_t kStatusSumEnd = 98;
constexpr size_t kStatusSumIndex = 98;
constexpr size_t kStatusEndIndex = 99;
constexpr size_t kDrainLen = 100;

// Bootloader frames (tool to bootloader) and replies.
constexpr size_t kBootFrameSize = 212;
constexpr uint8_t kBootMagic0 = 0x42;    // 'B'
constexpr uint8_t kBootMagic1 = 0x69;    // 'i'
constexpr uint8_t kBootQuery = 1;
constexpr uint8_t kBootWriteMode = 2;
constexpr uint8_t kBootLeave = 3;
constexpr size_t kBootQueryReplyLen = 8;
constexpr size_t kBootReplyLen = 5;
// Result of a block (byte 2 of its reply).
constexpr size_t kBootReplyCodeIndex = 2;
constexpr uint8_t kBlockAccepted = 0;
constexpr uint8_t kBlockBadChecksum = 1;
constexpr uint8_t kBlockFlashWriteFailed = 2;
constexpr uint8_t kBlockEepromWriteFailed = 3;
constexpr uint8_t kBlockFlashErased = 4;
constexpr uint8_t kBlockCodingError = 5;
// The bootloader erases the flash when this block arrives and answers it
// with kBlockFlashErased instead of kBlockAccepted.
constexpr uint16_t kEraseBlockIndex = 4;

// Reader.
constexpr size_t kReceiveBufferSize = 1024;
constexpr int kMaxPolls = 21;
// The read window: the polls come kPollPauseMs apart, so that a prompt
// answer is taken in at once. When the answer may still be on its way later
// than that (the controller's turnaround allowance, the answer's wire time and
// the adapter's latency, counted from the end of the request), the polls
// after the first kFastPolls are spread out until poll 20 comes no earlier
// than that; the poll count and the rule that a poll's bytes count at the
// next poll stay.
constexpr uint32_t kTurnaroundAllowanceMs = 30;
constexpr int kFastPolls = 15;
// An answer cut short doubles the latency allowed for (from at least
// kLatencyStepMs), up to the longest latency timer a USB adapter has.
constexpr uint32_t kLatencyStepMs = 8;
constexpr uint32_t kMaxAdapterLatencyMs = 255;

// Protocol pauses.
constexpr uint32_t kSendPauseMs = 10;      // after every command frame
constexpr uint32_t kPagePrePauseMs = 10;   // before a page request
constexpr uint32_t kPagePostPauseMs = 50;  // after a page request
constexpr uint32_t kPollPauseMs = 2;       // between read polls
constexpr uint32_t kIdentifyPauseMs = 100; // between the two identify frames
constexpr uint32_t kSearchPauseMs = 150;   // before a search
constexpr uint32_t kTimerIntervalMs = 50;  // the main timer tick

// Checksum of a command frame's four data bytes.
constexpr uint8_t frameChecksum(uint8_t code, uint8_t b, uint8_t c, uint8_t d)
{
    return static_cast<uint8_t>(code + b + c + d + kFrameSumBias);
}

// Wire time of n bytes at 19200 8N1, in microseconds.
constexpr uint64_t wireTimeUs(size_t n)
{
    return static_cast<uint64_t>(n) * kBitsPerByte * 1000000ull / kBaudRate;
}

} // namespace kdx::wire

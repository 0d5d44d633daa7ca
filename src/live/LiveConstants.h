#pragma once

#include <cstddef>
#include <cstdint>

// Live data: status poll, deferred save, connection log and tester timing.
namespace kdx::live {

// Deferred EEPROM save: the image is compared with its shadow in 4-byte units;
// the save goes out once no change has been seen for more than kSaveQuietMs of
// accumulated timer interval. The accumulator stops growing at kQuietTimeCapMs.
constexpr size_t kShadowUnitBytes = 4;
constexpr uint32_t kSaveQuietMs = 1000;
constexpr uint32_t kQuietTimeCapMs = 10000;

// Text keys of the live displays (defaults in LiveTexts).
constexpr int kTextCrcCounter = 100120;
constexpr int kTextBadCounter = 100121;
constexpr int kTextLostCounter = 100122;
// The save lamp: "Data saved." once the save went out, "Sending data !!"
// while changes wait for it.
constexpr int kTextDataSaved = 100233;
constexpr int kTextSendingData = 100234;

// Connection log inside the parameter image.
constexpr size_t kLogSlots = 8;
constexpr size_t kLogIdentityOffset = 24; // bytes 24 + 4i .. 27 + 4i
constexpr size_t kLogDateOffset = 56;     // bytes 56 + 2i, 57 + 2i
constexpr unsigned kLogDateWord = 28;     // word 28 + i
constexpr size_t kLogFirstPcSlot = 7;     // keeps the first PC ever connected

// Production tester.
constexpr int32_t kTestStepMs = 50;        // per valid status frame
constexpr int32_t kTestVerdictMs = 5000;
constexpr uint32_t kFailToneHz = 4000;
constexpr uint32_t kFailToneMs = 1000;
constexpr size_t kSerialLength = 20;       // characters, the entry field's limit

} // namespace kdx::live

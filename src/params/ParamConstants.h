#pragma once

#include "protocol/Wire.h"

#include <cstddef>
#include <cstdint>

// Constants of the parameter memory and its editors.
namespace kdx::params {

constexpr size_t kImageSize = wire::kImageSize;
constexpr size_t kWordCount = kImageSize / 2;

// Word 0 holds this value once the controller's parameters were initialised.
constexpr uint16_t kImageMarkerValue = 0xAAAA;
// Serial number written by the factory-default set.
constexpr uint32_t kDefaultSerialNumber = 0xAFFFFFFFu;

// ConfigFlags (image byte 80) bits owned by the editors; the rest are kept.
constexpr uint8_t kConfigRpmAnalog = 0x02;
constexpr uint8_t kConfigPump1Active = 0x04;
constexpr uint8_t kConfigPump2Active = 0x08;

// Pauses of the factory-default procedure.
constexpr uint32_t kResetSavePauseMs = 10;         // after the last word, before the save
constexpr uint32_t kResetReconnectPauseMs = 1000;  // after the save, before reconnecting
// Loading a parameter file: read-back rounds that send again what did not
// arrive, before the procedure gives up and writes the earlier values back.
constexpr int kRestoreResendRounds = 2;
// The deferred save: after the EEPROM save the edited words are read back;
// those that did not arrive are sent and saved again this many times.
constexpr int kSaveResendRounds = 2;
// Before the read back, the controller gets this long to store its memory.
constexpr uint32_t kSaveReadBackPauseMs = 50;
// Tries of one page of the read back.
constexpr int kSavePageTries = 3;
// Edits are refused once the controller has left requests unanswered this long.
constexpr uint32_t kEditSilenceMs = 1000;

// Comparator threshold item k reads kComparatorBaseVolts + k x kComparatorVoltsPerItem.
constexpr double kComparatorBaseVolts = 1.0;
constexpr double kComparatorVoltsPerItem = 10.0 / 127.0;

// Messages shown in a message box (fixed texts, not from the language files).
constexpr const char* kNewEcuMessage = "NEW ECU, PARAMETERS RESET !";
constexpr const char* kNotFloatMessage = "'%s' is not a valid floating point value";
constexpr const char* kNotIntegerMessage = "'%s' is not a valid integer value";

// Cell colours of the map grids, RGB.
constexpr uint32_t kColourWhite = 0xFFFFFF;
constexpr uint32_t kColourYellow = 0xFFFF00;
constexpr uint32_t kColourRed = 0xFF0000;
constexpr uint32_t kColourGreen = 0x008000;
constexpr uint32_t kColourText = 0x000000;

} // namespace kdx::params

#pragma once

#include <cstddef>
#include <cstdint>

// Constants of the simulated controller (in-process line and kdx-sim).
namespace kdx::sim {

// Port name under which the in-process simulated controller is opened.
constexpr const char* kDemoPortName = "kdx-demo";

// Time from the end of a received frame until the answer's first start bit.
constexpr uint32_t kProcessingDelayUs = 1000;

// In the bootloader, a partly received 212-byte frame is thrown away after
// this much silence, so a cut-off frame cannot shift every later one.
constexpr uint32_t kBootFrameGapMs = 30;

// The behaviour model steps in fixed slices of controller time; after a
// longer pause (a suspended PC, a test clock jumped far ahead) only the last
// kMaxCatchUpMs are simulated.
constexpr uint32_t kBehaviourStepMs = 100;
constexpr uint64_t kMaxCatchUpMs = 30ull * 60 * 1000;

// Parameter memory and its EEPROM copy.
constexpr size_t kMemorySize = 512;
constexpr uint16_t kImageMarkerValid = 0xAAAA;
constexpr uint32_t kDefaultSerialNumber = 0x0001E240;
// An erased EEPROM or parameter memory reads 0xFF in every byte.
constexpr uint8_t kErasedByte = 0xFF;

// Identify answer defaults.
constexpr uint8_t kDefaultHardwareVersion = 1;
constexpr uint8_t kDefaultSoftwareVersion = 1;
constexpr uint8_t kDefaultSoftwareRevision = 0;

constexpr uint8_t kBootloaderVersion = 2;
constexpr size_t kBootPayloadLen = 210;

// Where a firmware image carries its version text "VVV.RRR.CCC": bytes 43..53
// of its first block (the same place as in the file's header record).
constexpr size_t kVersionTextOffset = 43;
constexpr size_t kVersionTextLen = 11;

// Bits of the status frame's flag words (frame byte order, little-endian).
constexpr uint32_t kFlagSystemOn = 1u << 1;
constexpr uint32_t kFlagIgnitionOn = 1u << 2;
constexpr uint32_t kFlagPump1Running = 1u << (8 + 4);
constexpr uint32_t kFlagPump2Running = 1u << (8 + 5);
constexpr uint32_t kFlagIonizer1On = 1u << (8 + 6);
constexpr uint32_t kFlagIonizer2On = 1u << (8 + 7);
constexpr uint32_t kFlagP1MinRpm = 1u << (16 + 1);
constexpr uint32_t kFlagP1MaxRpm = 1u << (16 + 3);
constexpr uint32_t kFlagP2MinRpm = 1u << (16 + 5);
constexpr uint32_t kFlagP2MaxRpm = 1u << (16 + 7);
constexpr uint32_t kFlagShortOff = 1u << (24 + 6);

constexpr uint32_t kAuxServiceRun = 1u << 0;
constexpr uint32_t kAuxOnDelay = 1u << 1;
constexpr uint32_t kAuxPump1NotConnected = 1u << 9;
constexpr uint32_t kAuxPump2NotConnected = 1u << 10;

constexpr uint8_t kMapFlagMapOff = 1u << 5;
constexpr uint8_t kMapFlagTankEmpty = 1u << 6;
constexpr uint8_t kAutoFlagMaxHum = 1u << 0;
constexpr uint8_t kAutoFlagMinTemp = 1u << 1;

// Parameter memory: the configuration flag bits the controller acts on.
constexpr uint8_t kConfigAnalogRpm = 0x02;
constexpr uint8_t kConfigPump1Active = 0x04;
constexpr uint8_t kConfigPump2Active = 0x08;

} // namespace kdx::sim

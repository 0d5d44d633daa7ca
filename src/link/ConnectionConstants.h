#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Connecting to the controller and reading its parameter image.
namespace kdx::connect {

// Controllers with a newer software than this need a newer tool.
constexpr uint8_t kMaxSoftwareVersion = 4;

// Image bytes 4..7: the controller's serial number, little-endian.
constexpr size_t kSerialNumberOffset = 4;

// Whole-image passes after a failed first one.
constexpr uint8_t kMaxReadRetries = 10;

// Identify answer: byte 0 'A', versions in bytes 1..3, end mark in byte 7.
constexpr size_t kIdHardwareIndex = 1;
constexpr size_t kIdSoftwareIndex = 2;
constexpr size_t kIdRevisionIndex = 3;
constexpr size_t kIdEndIndex = 7;

// Messages.
constexpr const char* kMsgSoftwareNeedUpdate = "Software need update.";
constexpr const char* kMsgEcuNotFound = "ECU not Found";
constexpr const char* kMsgNoConnection = "No Connection";
constexpr const char* kMsgUartErrors = "Uart interface errors! Check connection.Software disconnected.";
constexpr int kPageCount = 4;

// The full read stopped because the adapter went away at page `page` (1..4).
inline std::string readLostText(int page)
{
    return "Reading the parameters stopped at page " + std::to_string(page) + " of "
           + std::to_string(kPageCount)
           + ": the line to the controller was lost. Nothing was written: the controller still holds its "
             "parameters; they are read again when it is connected.";
}

} // namespace kdx::connect

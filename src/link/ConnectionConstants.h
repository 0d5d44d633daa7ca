#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "link/TextFormat.h"

// Connecting to the controller and reading its parameter image.
namespace kdx::connect {

// Controllers with a newer software than this need a newer tool.
constexpr uint8_t kMaxSoftwareVersion = 4;

// Image bytes 4..7: the controller's serial number, little-endian.
constexpr size_t kSerialNumberOffset = 4;

// Whole-image passes after a failed first one.
constexpr uint8_t kMaxReadRetries = 10;
// A full read gives up on a bus that has not answered a single request for
// this long, as an edit is refused then: a lost answer or a page that never
// answers still costs only its pass, while other requests are answered.
constexpr uint32_t kReadSilenceMs = 1000;

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

using Words = kdx::Words;

// The full read stopped at page `page` (1..4): the adapter went away, or
// (silent) it stayed but the controller stopped answering there.
inline std::string readLostText(int page, bool silent = false, const Words& words = {})
{
    const char* english = silent
        ? "Reading the parameters stopped at page %1 of %2: the controller has not answered for a second (the "
          "adapter is there, the bus is silent). Nothing was written: the controller still holds its parameters; "
          "they are read again when it is connected."
        : "Reading the parameters stopped at page %1 of %2: the line to the controller was lost. Nothing was "
          "written: the controller still holds its parameters; they are read again when it is connected.";
    const int key = silent ? 102841 : 102840;
    return fillIn(textOf(words, key, english), {std::to_string(page), std::to_string(kPageCount)});
}

} // namespace kdx::connect

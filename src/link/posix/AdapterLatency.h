#pragma once

#include "link/posix/TtyAccess.h"

#include <cstdint>
#include <string>

namespace kdx {

// How late the adapter behind a serial device hands received bytes to the
// PC. A USB adapter collects them and sends a USB packet when it is full or
// when its latency timer runs out (16 ms by default for the common FTDI
// chips on Linux), so the tail of an answer can reach the tool that much
// after it left the wire.
struct AdapterLatency {
    enum class Kind {
        NativeUart,  // a UART on the machine's own bus: bytes arrive at once
        UsbTimer,    // a USB adapter with a latency timer the system shows
        UsbUnknown,  // a USB adapter without one: the common default is assumed
        Unknown,     // not in sysfs (a pseudo-terminal, a network redirector)
    };
    Kind kind = Kind::Unknown;
    uint32_t ms = 0;       // the latency the read window allows for
    uint32_t foundMs = 0;  // UsbTimer: the timer as found at open
    bool lowered = false;  // UsbTimer: the tool lowered it
};

// What the read window assumes where the system does not say.
constexpr uint32_t kAssumedAdapterLatencyMs = 16;
// The latency the tool asks a USB adapter for.
constexpr uint32_t kWantedAdapterLatencyMs = 1;

// Finds the latency of the adapter behind devicePath (symbolic links such as
// /dev/serial/by-id/... followed) in the sysfs tree at sysfsRoot, and where
// it is higher than kWantedAdapterLatencyMs lowers it: first with the
// driver's low-latency flag on fd (allowed to whoever has the port open),
// then by writing the latency_timer attribute (allowed to root, or to a user
// a udev rule lets write it). The change lasts until the adapter is
// unplugged.
AdapterLatency settleAdapterLatency(const std::string& devicePath, int fd, TtyAccess& tty,
                                    const std::string& sysfsRoot = "/sys");

} // namespace kdx

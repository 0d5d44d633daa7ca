#pragma once

#include <cstdint>

namespace kdx {

// The program-wide link state.
struct ConnectionState {
    bool portOpen = false;          // a port handle is open
    bool connected = false;         // a controller answered identify with an accepted version
    bool parametersLoaded = false;  // set by the first complete read, never cleared
    uint8_t hardwareVersion = 0;
    uint8_t softwareVersion = 0;
    uint8_t softwareRevision = 0;
    uint32_t pcIdentity = 0;        // this PC, as recorded in the controller's connection log
};

} // namespace kdx

#pragma once

#include "link/DeviceLink.h"
#include "params/ParameterImage.h"

#include <cstdint>

namespace kdx {

// Commands of the parameter pages that are not register writes. They are
// sent whether or not parameters were loaded; no answer is read.
class ControllerCommands {
public:
    explicit ControllerCommands(DeviceLink& link);

    // Stores the mode in WorkModeSetting and sends 10 00 mode 00. The image
    // change alone makes the deferred save store it in the controller.
    bool setWorkMode(ParameterImage& image, uint8_t mode);
    bool serviceOn();   // 81 00 00 00: start the service run
    bool serviceOff();  // 80 00 00 00
    bool eraseErrors(); // 61 00 00 00: clear the stored error list

private:
    DeviceLink& m_link;
};

} // namespace kdx

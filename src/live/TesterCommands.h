#pragma once

#include "live/Tester.h"
#include "params/ControllerCommands.h"
#include "params/ParameterImage.h"

namespace kdx {

// Sends one of the tester's requests as the mode buttons and the service page
// do: a mode change is stored in the image too, so the deferred save keeps
// the mode the controller is left in. The window and the command line share it.
bool sendTesterCommand(const TesterCommand& command, ControllerCommands& commands, ParameterImage& image);

} // namespace kdx

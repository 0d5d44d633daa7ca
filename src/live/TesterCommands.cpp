#include "live/TesterCommands.h"

namespace kdx {

bool sendTesterCommand(const TesterCommand& command, ControllerCommands& commands, ParameterImage& image)
{
    switch (command.kind) {
    case TesterCommand::Kind::SetWorkMode: return commands.setWorkMode(image, command.mode);
    case TesterCommand::Kind::ServiceOn: return commands.serviceOn();
    case TesterCommand::Kind::ServiceOff: break;
    }
    return commands.serviceOff();
}

} // namespace kdx

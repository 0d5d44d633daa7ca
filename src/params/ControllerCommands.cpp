#include "params/ControllerCommands.h"

namespace kdx {

ControllerCommands::ControllerCommands(DeviceLink& link) : m_link(link) {}

bool ControllerCommands::setWorkMode(ParameterImage& image, uint8_t mode)
{
    image.set(layout::WorkModeSetting, mode);
    return m_link.sendCommand(wire::kCmdSetWorkMode, 0x00, mode, 0x00);
}

bool ControllerCommands::serviceOn() { return m_link.sendCommand(wire::kCmdServiceOn, 0x00, 0x00, 0x00); }
bool ControllerCommands::serviceOff() { return m_link.sendCommand(wire::kCmdServiceOff, 0x00, 0x00, 0x00); }
bool ControllerCommands::eraseErrors() { return m_link.sendCommand(wire::kCmdEraseErrors, 0x00, 0x00, 0x00); }

} // namespace kdx

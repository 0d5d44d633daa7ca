#pragma once

#include "prompts/UserPrompts.h"

#include <optional>
#include <string>
#include <vector>

namespace kdx::drive {

// Boxes are recorded (a driven run has nobody to click them); the firmware
// dialog answers with the file set beforehand; OK/Cancel answers OK.
class DriverPrompts : public UserPrompts {
public:
    void message(const std::string& text) override { messages.push_back(text); }
    bool okCancel(const std::string& text, const std::string& caption) override
    {
        messages.push_back(caption + ": " + text);
        return true;
    }
    std::optional<std::string> openFirmwareFile(const std::string&) override { return firmwareFile; }

    std::vector<std::string> messages;
    std::optional<std::string> firmwareFile;
};

} // namespace kdx::drive

#pragma once

#include "params/ParameterDiff.h"

#include <optional>
#include <string>

namespace kdx {

// The dialogs of the parameter files, beside the message boxes of
// UserPrompts: the window shows real dialogs, tests record them. Paths and
// texts are UTF-8.
class ParameterFilePrompts {
public:
    virtual ~ParameterFilePrompts() = default;
    // Save dialog for a parameter file in folder, the name proposed; empty on cancel.
    virtual std::optional<std::string> saveParameterFile(const std::string& folder, const std::string& proposedName) = 0;
    // Open dialog for an existing parameter file; caption says which file is asked for.
    virtual std::optional<std::string> openParameterFile(const std::string& folder, const std::string& caption) = 0;
    // Shows the difference view. When view.askToWrite it returns true only
    // when the technician chose to write; otherwise it returns false after
    // the technician closed it.
    virtual bool showDifference(const DifferenceView& view) = 0;
};

} // namespace kdx

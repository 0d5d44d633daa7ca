#pragma once

#include "params/ControlUpdates.h"
#include "params/RegisterWrite.h"

#include <string>
#include <vector>

namespace kdx {

// Outcome of one editor action. The image has already been changed; the
// window shows the error (if any), applies the updates and hands the writes,
// in order, to the RegisterWriter. With an error nothing was stored and
// there is nothing to send.
struct EditResult {
    std::string error;
    std::vector<RegisterWrite> writes;
    ControlUpdates updates;

    bool ok() const { return error.empty(); }
};

} // namespace kdx

#pragma once

#include "params/ParameterImage.h"

namespace kdx {

// The factory-default parameter set of "RESET PARAMETERS!".
class ParameterDefaults {
public:
    // Stores the defaults in the image. The connection log, the bytes the
    // program does not interpret and ConfigFlags bits 0 and 4..7 keep their
    // current values.
    static void apply(ParameterImage& image);
};

} // namespace kdx

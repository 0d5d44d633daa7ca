#pragma once

#include "params/ParameterImage.h"

#include <string>

namespace kdx {

// How one field entry reads for a person: the value in the unit the editors
// show it in (tenths as seconds, counts as volts, the comparator item as its
// voltage), identities in hexadecimal. Used by the parameter files and the
// difference view; the number texts come from the editors' own formatting.
class ParameterFieldText {
public:
    // "GeneralDelay" or "ManualTrigP1Ton[3]".
    static std::string name(const Field& field, size_t entry);
    // The value, with the unit after a blank where there is one: "12.0 s".
    static std::string value(const ParameterImage& image, const Field& field, size_t entry, char separator);
    // The unit alone ("s", "%", "degC", "V", "rpm"), empty for plain numbers.
    static const char* unit(const Field& field);
};

} // namespace kdx

#pragma once

#include "params/EditorId.h"

#include <string>
#include <vector>

namespace kdx {

// Item texts of the parameter combo boxes (UTF-8), in list order; the stored
// values are computed from the item index, never from these texts.
class ComboItems {
public:
    static std::vector<std::string> rpmIn();        // "RPM IN Digital", "RPM ANALOG"
    static std::vector<std::string> anKompSett();   // "1,00V" .. "11,00V", 128 items
    static std::vector<std::string> fuelType();     // "gasoline 12V", "diesel 12V", "diesel 24V"
    static std::vector<std::string> avFuelComs();   // "0" .. "29", "30+"
    static std::vector<std::string> manualRpm();    // "000", "100" .. "10000"
    static std::vector<std::string> serwisTon();    // "0" .. "15"
    static std::vector<std::string> serwisToff();   // "1" .. "999"
    // The items of the list editor `id`; empty for an editor that is no list.
    static std::vector<std::string> of(EditorId id);
};

} // namespace kdx

#pragma once

#include "params/EditResult.h"
#include "params/ParameterImage.h"

#include <array>
#include <cstdint>

namespace kdx {

// Presets of the automatic mode chosen by the vehicle's supply type and by
// its average fuel consumption, so that a fitter need not edit the maps.
class FuelPresets {
public:
    struct FuelRow {
        std::array<uint16_t, 5> pumpOnVector; // rpm boundaries
        std::array<int16_t, 5> pumpOnTime;    // 0.1 s
        uint8_t rpmUpTime;                    // 0.1 s
        uint16_t shortOffRpm;
    };
    // Rows for "gasoline 12V", "diesel 12V", "diesel 24V".
    static const std::array<FuelRow, 3>& fuelRows();
    // Pause map elements 0..8 (0.1 s) for a consumption class (any byte).
    static const std::array<int16_t, 9>& pauseRow(uint8_t consumptionClass);

    // ComboBoxFuelType picked: stores the row (indices 0..2 only) and the
    // type byte; 13 writes; refreshes the rpm up time, the 2x short off rpm
    // and the automatic on-time grid.
    static EditResult fuelTypeChosen(ParameterImage& image, int index, char separator);
    // ComboBoxAvFuelComs picked: stores the class byte (-1 reads as 255) and
    // the pause map; 10 writes; refreshes the pause grid cells.
    static EditResult consumptionChosen(ParameterImage& image, int index, char separator);
};

} // namespace kdx

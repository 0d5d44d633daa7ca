#include "params/FuelPresets.h"

#include "params/EditorId.h"
#include "params/NumberText.h"
#include "params/ParameterDisplay.h"

namespace kdx {

const std::array<FuelPresets::FuelRow, 3>& FuelPresets::fuelRows()
{
    static const std::array<FuelRow, 3> rows{{
        {{2000, 3500, 5000, 6000, 7000}, {0, 10, 20, 30, 30}, 50, 5000}, // gasoline 12V
        {{1300, 2200, 3000, 4000, 5000}, {0, 10, 20, 30, 30}, 50, 3000}, // diesel 12V
        {{699, 700, 800, 900, 1000}, {0, 30, 30, 30, 30}, 200, 1000},    // diesel 24V
    }};
    return rows;
}

const std::array<int16_t, 9>& FuelPresets::pauseRow(uint8_t consumptionClass)
{
    // Element T + 3*H: humidity band H, temperature band T. The values are
    // the controller maker's table and are not all exact ratios of each other.
    static const std::array<std::array<int16_t, 9>, 8> rows{{
        {2880, 1440, 960, 4320, 2160, 1440, 8640, 4320, 2880}, //  0 .. 6
        {1920, 960, 640, 2880, 1440, 960, 5760, 2880, 1920},   //  7 .. 9
        {1440, 720, 480, 2160, 1080, 720, 4320, 2160, 1440},   // 10 .. 12
        {1160, 580, 400, 1720, 860, 580, 3440, 1720, 1160},    // 13 .. 14
        {960, 480, 320, 1440, 720, 480, 2880, 1440, 960},      // 15 .. 17
        {840, 420, 280, 1240, 620, 400, 2480, 1240, 840},      // 18 .. 19
        {720, 360, 240, 1080, 540, 360, 2160, 1080, 720},      // 20 .. 24
        {580, 290, 200, 860, 430, 280, 1700, 850, 580},        // 25 and above
    }};
    const uint8_t c = consumptionClass;
    const size_t row = c <= 6 ? 0 : c <= 9 ? 1 : c <= 12 ? 2 : c <= 14 ? 3 : c <= 17 ? 4 : c <= 19 ? 5 : c <= 24 ? 6 : 7;
    return rows[row];
}

EditResult FuelPresets::fuelTypeChosen(ParameterImage& image, int index, char sep)
{
    image.set(layout::FuelType, low8(index));
    if (index >= 0 && index <= 2) {
        const FuelRow& row = fuelRows()[static_cast<size_t>(index)];
        for (size_t i = 0; i < 5; ++i) {
            image.set(layout::AutoPumpOnVector, row.pumpOnVector[i], i);
            image.set(layout::AutoPumpOnTime, row.pumpOnTime[i], i);
        }
        image.set(layout::AutoRpmUpT, row.rpmUpTime);
        image.set(layout::Auto2xShortOff, row.shortOffRpm);
    }
    EditResult r;
    r.writes.push_back(RegisterWrite::forField(layout::Auto2xShortOff));
    r.writes.push_back(RegisterWrite::forField(layout::AutoRpmUpT));
    r.writes.push_back(RegisterWrite::forField(layout::FuelType));
    for (size_t i = 0; i < 5; ++i) {
        r.writes.push_back(RegisterWrite::word(layout::AutoPumpOnTime.wordOf(i)));
        r.writes.push_back(RegisterWrite::word(layout::AutoPumpOnVector.wordOf(i)));
    }
    r.updates.texts.push_back(
        {EditorId::AutoRpmUpTime, ParameterDisplay::fieldText(image, layout::AutoRpmUpT, 0, sep)});
    r.updates.texts.push_back({EditorId::Auto2xShortOff, integerText(image.raw(layout::Auto2xShortOff))});
    r.updates.append(ParameterDisplay::autoPumpOnRows(image, sep));
    return r;
}

EditResult FuelPresets::consumptionChosen(ParameterImage& image, int index, char sep)
{
    image.set(layout::AvFuelComs, low8(index));
    EditResult r;
    r.writes.push_back(RegisterWrite::forField(layout::AvFuelComs));
    const auto& row = pauseRow(static_cast<uint8_t>(image.raw(layout::AvFuelComs)));
    for (size_t e = 0; e < 9; ++e)
        image.set(layout::AutoPumpStopMap, row[e], e);
    for (size_t t = 0; t < 3; ++t) {
        for (size_t h = 0; h < 3; ++h) {
            const size_t e = t + 3 * h;
            r.writes.push_back(RegisterWrite::word(layout::AutoPumpStopMap.wordOf(e)));
            r.updates.cells.push_back({EditorId::AutoPumpStopMap, static_cast<int>(h + 1),
                                       static_cast<int>(t + 1),
                                       ParameterDisplay::fieldText(image, layout::AutoPumpStopMap, e, sep)});
        }
    }
    return r;
}

} // namespace kdx

#include "params/ParameterDefaults.h"

#include <array>

namespace kdx {

namespace {

template <typename T, size_t N>
void setAll(ParameterImage& image, const Field& field, const std::array<T, N>& values)
{
    for (size_t i = 0; i < N; ++i)
        image.set(field, values[i], i);
}

void fill(ParameterImage& image, const Field& field, int64_t value)
{
    for (size_t i = 0; i < field.count; ++i)
        image.set(field, value, i);
}

} // namespace

void ParameterDefaults::apply(ParameterImage& image)
{
    using namespace layout;
    image.set(ImageMarker, params::kImageMarkerValue);
    image.set(SerialNumber, params::kDefaultSerialNumber);
    image.set(WorkModeSetting, 0xFF);
    image.set(AvFuelComs, 0);
    image.set(AutoRpmUpT, 50);
    // Digital rpm input, both pumps inactive; the controller's other flag bits stay.
    const uint32_t ownBits = params::kConfigRpmAnalog | params::kConfigPump1Active | params::kConfigPump2Active;
    image.set(ConfigFlags, image.raw(ConfigFlags) & ~ownBits);

    setAll(image, ManualTrigVector,
           std::array<uint16_t, 24>{600, 800, 1000, 1200, 1400, 1600, 1800, 2000, 2200, 2400, 2600, 2800,
                                    3000, 3500, 4000, 4500, 5000, 5500, 6000, 6500, 7000, 7500, 8000, 8500});
    fill(image, ManualTrigP1Ton, 0);
    fill(image, ManualTrigP2Ton, 0);
    fill(image, ManualTrigP1Toff, 200);
    fill(image, ManualTrigP2Toff, 200);
    setAll(image, AutoPumpOnVector, std::array<uint16_t, 5>{2000, 3500, 5000, 6000, 7000});
    setAll(image, AutoPumpOnTime, std::array<int16_t, 5>{0, 10, 20, 30, 30});
    setAll(image, AutoHumVector, std::array<uint16_t, 3>{800, 900, 910});
    setAll(image, AutoTempVector, std::array<int16_t, 3>{100, 200, 300});
    setAll(image, AutoPumpStopMap,
           std::array<int16_t, 9>{12000, 8000, 4000, 10000, 5000, 2400, 8000, 3000, 2000});
    image.set(RpmDziel, 0);
    image.set(GeneralDelay, 5);
    image.set(ManualMaxRpmP1, 5000);
    image.set(ManualMaxRpmP2, 5000);
    image.set(ManualMinRpmP1, 1500);
    image.set(ManualMinRpmP2, 1500);
    image.set(ManualMconstOnP1, 10);
    image.set(ManualMconstOnP2, 10);
    image.set(ManualMconstOffP1, 0);
    image.set(ManualMconstOffP2, 0);
    image.set(MinLevH, 410);
    image.set(MinLevL, 205);
    image.set(MaxHum, 970);
    image.set(AutoMinTemp, 50);
    image.set(Auto2xShortOff, 5000);
    image.set(SerwisTon, 30);
    image.set(SerwisToff, 100);
    image.set(FuelType, 0);
    image.set(AnKompSett, 64);
}

} // namespace kdx

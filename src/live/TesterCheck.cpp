#include "live/TesterCheck.h"

#include <cmath>
#include <cstdio>

namespace kdx {

namespace {

constexpr const char* kErrorBitNames[kNamedErrorBits] = {
    "VdcErrorLow", "VdcErrorHigh", "OneWireSensorComErr", "J1ErrorOut",     "J2ErrorOut",
    "P1ErrorOut",  "P2ErrorOut",   "P1ErrorOverload",     "P2ErrorOverload"};

bool errorBit(uint16_t word, ErrorBit b)
{
    return ((word >> static_cast<unsigned>(b)) & 1u) != 0;
}

std::string tenths(int value)
{
    const int magnitude = std::abs(value);
    return (value < 0 ? "-" : "") + std::to_string(magnitude / 10) + "." + std::to_string(magnitude % 10);
}

} // namespace

std::string TesterCheck::twoDecimals(double value)
{
    const long long hundredths = std::llround(std::fabs(value) * 100.0);
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld.%02lld", value < 0 && hundredths != 0 ? "-" : "", hundredths / 100,
                  hundredths % 100);
    return text;
}

std::string TesterCheck::errorWordText(const char* field, uint16_t word)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%04X", static_cast<unsigned>(word));
    std::string names;
    for (unsigned bit = 0; bit < kNamedErrorBits; ++bit) {
        if ((word >> bit) & 1u)
            names += (names.empty() ? "" : ", ") + std::string(kErrorBitNames[bit]);
    }
    return std::string(field) + " " + hex + (names.empty() ? "" : " (" + names + ")");
}

std::vector<TesterCheck> TesterCheck::standard()
{
    using Result = std::optional<std::string>;
    auto pumpConnected = [](int pump) {
        return [pump](const StatusFrame& f) -> Result {
            const bool missing = pump == 1 ? f.pump1NotConnected() : f.pump2NotConnected();
            if (missing)
                return "pompa " + std::to_string(pump) + " niepodłączona";
            return std::nullopt;
        };
    };
    return {
        {200, "system włączony",
         [](const StatusFrame& f) -> Result {
             if (f.systemOn())
                 return std::nullopt;
             return std::string("system wyłączony");
         }},
        {900, "brak bieżących błędów",
         [](const StatusFrame& f) -> Result {
             std::string what;
             if (f.errorAct() != 0)
                 what = errorWordText("ErrorAct", f.errorAct());
             if (f.fatalError1())
                 what += (what.empty() ? "" : ", ") + std::string("fatal error1");
             if (f.fatalError2())
                 what += (what.empty() ? "" : ", ") + std::string("fatal error2");
             if (what.empty())
                 return std::nullopt;
             return what;
         }},
        {900, "pompa 1 podłączona", pumpConnected(1)},
        {900, "pompa 2 podłączona", pumpConnected(2)},
        {1700, "napięcie zasilania 9-32 V",
         [](const StatusFrame& f) -> Result {
             const double v = f.supplyVolts();
             if (v >= kSupplyMinV && v <= kSupplyMaxV)
                 return std::nullopt;
             return twoDecimals(v) + " V";
         }},
        {3000, "czujnik temperatury i wilgotności",
         [](const StatusFrame& f) -> Result {
             if (errorBit(f.errorAct(), ErrorBit::OneWireSensorComErr))
                 return std::string("OneWireSensorComErr");
             const bool plausible = f.humidity() >= kHumidityMinTenths && f.humidity() <= kHumidityMaxTenths
                                    && f.temperature() >= kTemperatureMinTenths
                                    && f.temperature() <= kTemperatureMaxTenths;
             if (plausible)
                 return std::nullopt;
             return "temperatura " + tenths(f.temperature()) + " °C, wilgotność " + tenths(f.humidity()) + " %";
         }},
    };
}

} // namespace kdx

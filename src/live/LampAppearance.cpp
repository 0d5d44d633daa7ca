#include "live/LampAppearance.h"

#include <array>

namespace kdx {

namespace {

constexpr Rgb kLime{0, 255, 0};
constexpr Rgb kFuchsia{255, 0, 255};
constexpr Rgb kAqua{0, 255, 255};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr int kFlashHz = 4;

} // namespace

LampAppearance LampAppearance::of(std::string_view name)
{
    LampAppearance a;
    static constexpr std::array<std::string_view, 4> aqua = {
        "AbLEDMaxRpmP1", "AbLEDMinRpmP1", "AbLEDMaxRpmP2", "AbLEDMinRpmP2"};
    static constexpr std::array<std::string_view, 8> red = {
        "AbLEDMaskMapOn", "AbLEDempty",       "AbLEDAutoMaxHum", "AbLEDAutoMinTemp",
        "AbLEDSerwis",    "AbLEDOnDelayAuto", "AbLEDFatalErr1",  "AbLEDFatalErr2"};
    const auto among = [name](const auto& names) {
        for (auto n : names)
            if (n == name)
                return true;
        return false;
    };

    if (name == "AbLEDSystemOn") {
        a.onColour = kFuchsia;
    } else if (among(aqua)) {
        a.onColour = kAqua;
    } else if (among(red)) {
        a.onColour = kRed;
    } else if (name == "AbLEDErrMem") {
        a.onColour = kRed;
        a.flashHz = kFlashHz;
        a.width = a.height = 20;
    } else if (name == "AbLEDZapisDoPamieci") {
        a.flashHz = kFlashHz;
        a.shape = Shape::Rectangle;
        a.width = 16;
        a.height = 14;
    } else if (name == "AbLEDWarP1" || name == "AbLEDWarP2") {
        a.onColour = kYellow;
        a.flashHz = kFlashHz;
        a.width = a.height = 20;
    } else if (name == "AbLEDStartTestu1") {
        a.onColour = kBlue;
        a.offColour = kLime;
        a.flashHz = kFlashHz;
        a.shape = Shape::Rectangle;
        a.width = a.height = 80;
    }
    return a;
}

} // namespace kdx

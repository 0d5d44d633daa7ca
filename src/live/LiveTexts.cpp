#include "live/LiveTexts.h"

#include <map>

namespace kdx {

namespace {

const std::map<int, std::string>& table()
{
    static const std::map<int, std::string> texts = {
        {100120, "Pakiet Blad CRC: "},
        {100121, "Pakiet blad: "},
        {100122, "Pakiet utracony: "},
        {100201, "000: Flag: "},
        {100202, "Bin, LSB:"},
        {100203, "001: P1 CURRENT1: "},
        {100204, "002: P2 CURRENT2: "},
        {100205, "003: CURRENT3: "},
        {100206, "004: CURRENT4: "},
        {100207, "003: ErrorAct: "},
        {100208, "004: ErrorMemo: "},
        {100209, "005: WaterLev: "},
        {100210, "006: FiltrowanyWaterLev: "},
        {100211, "ModAuto"},
        {100212, "ModManTrig"},
        {100213, "ModManConst"},
        {100214, "ModeSerwis"},
        {100215, "ModeOFF"},
        {100216, "ModeError"},
        {100217, "Unknown ERROR !!!"},
        {100218, "007: work mode: "},
        {100219, "008: auto on delay: "},
        {100220, "009: ProtOpenTimeP1: "},
        {100221, "010: ProtOpenTimeP2: "},
        {100222, "011: ProtDelayTimeP1Off: "},
        {100223, "012: ProtDelayTimeP2Off: "},
        {100224, "oper. / s: "},
        {100225, "Pump 1 Ton:"},
        {100226, " Toff: "},
        {100227, " shortOff: "},
        {100228, "Pump 2 Ton:"},
        {100229, "power supply: "},
        {100230, "humidity: "},
        {100231, "[%], FrameError: "},
        {100232, "temperature: "},
        {100233, "Data saved."},
        {100234, "Sending data !!"},
        {100235, "KDX ON"},
    };
    return texts;
}

} // namespace

std::string LiveTexts::defaultText(int key)
{
    const auto& t = table();
    const auto it = t.find(key);
    return it == t.end() ? std::string() : it->second;
}

TextLookup LiveTexts::defaults()
{
    return [](int key) { return defaultText(key); };
}

} // namespace kdx

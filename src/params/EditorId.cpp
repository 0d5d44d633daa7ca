#include "params/EditorId.h"

namespace kdx {

std::ostream& operator<<(std::ostream& out, EditorId id)
{
    switch (id) {
    case EditorId::Comparator: return out << "Comparator";
    case EditorId::Pump1Active: return out << "Pump1Active";
    case EditorId::Pump2Active: return out << "Pump2Active";
    case EditorId::RpmInput: return out << "RpmInput";
    case EditorId::FuelType: return out << "FuelType";
    case EditorId::AverageConsumption: return out << "AverageConsumption";
    case EditorId::RpmDivide: return out << "RpmDivide";
    case EditorId::GeneralDelay: return out << "GeneralDelay";
    case EditorId::MinLevH: return out << "MinLevH";
    case EditorId::MinLevL: return out << "MinLevL";
    case EditorId::MaxHumidity: return out << "MaxHumidity";
    case EditorId::AutoMinTemp: return out << "AutoMinTemp";
    case EditorId::AutoRpmUpTime: return out << "AutoRpmUpTime";
    case EditorId::Auto2xShortOff: return out << "Auto2xShortOff";
    case EditorId::AutoPumpOnMap: return out << "AutoPumpOnMap";
    case EditorId::AutoPumpStopMap: return out << "AutoPumpStopMap";
    case EditorId::ManualTrigMap: return out << "ManualTrigMap";
    case EditorId::ManualMaxRpmP1: return out << "ManualMaxRpmP1";
    case EditorId::ManualMinRpmP1: return out << "ManualMinRpmP1";
    case EditorId::ManualMaxRpmP2: return out << "ManualMaxRpmP2";
    case EditorId::ManualMinRpmP2: return out << "ManualMinRpmP2";
    case EditorId::ManualOnP1: return out << "ManualOnP1";
    case EditorId::ManualOffP1: return out << "ManualOffP1";
    case EditorId::ManualOnP2: return out << "ManualOnP2";
    case EditorId::ManualOffP2: return out << "ManualOffP2";
    case EditorId::SerwisOn: return out << "SerwisOn";
    case EditorId::SerwisOff: return out << "SerwisOff";
    }
    return out << "editor " << static_cast<int>(id);
}

} // namespace kdx

#include "params/ComboItems.h"

#include "params/NumberText.h"
#include "params/ParamConstants.h"
#include "params/ParameterTable.h"

namespace kdx {

namespace {

int itemCount(EditorId id) { return ParameterTable::row(id).items; }

// The numbers a stepped list shows: its stored values in the shown unit.
std::vector<std::string> numbers(int first, int count)
{
    std::vector<std::string> items;
    for (int i = 0; i < count; ++i)
        items.push_back(std::to_string(first + i));
    return items;
}

} // namespace

std::vector<std::string> ComboItems::rpmIn() { return {"RPM IN Digital", "RPM ANALOG"}; }

std::vector<std::string> ComboItems::anKompSett()
{
    // Always written with a comma.
    std::vector<std::string> items;
    for (int k = 0; k < itemCount(EditorId::Comparator); ++k)
        items.push_back(fixedText(params::kComparatorBaseVolts + k * params::kComparatorVoltsPerItem, 15, 2, ',')
                        + "V");
    return items;
}

std::vector<std::string> ComboItems::fuelType() { return {"gasoline 12V", "diesel 12V", "diesel 24V"}; }

std::vector<std::string> ComboItems::avFuelComs()
{
    auto items = numbers(0, itemCount(EditorId::AverageConsumption) - 1);
    items.push_back("30+");
    return items;
}

std::vector<std::string> ComboItems::manualRpm()
{
    std::vector<std::string> items{"000"};
    for (int i = 1; i < itemCount(EditorId::ManualMaxRpmP1); ++i)
        items.push_back(std::to_string(i * 100));
    return items;
}

std::vector<std::string> ComboItems::of(EditorId id)
{
    switch (id) {
    case EditorId::RpmInput: return rpmIn();
    case EditorId::Comparator: return anKompSett();
    case EditorId::FuelType: return fuelType();
    case EditorId::AverageConsumption: return avFuelComs();
    case EditorId::ManualMaxRpmP1:
    case EditorId::ManualMinRpmP1:
    case EditorId::ManualMaxRpmP2:
    case EditorId::ManualMinRpmP2: return manualRpm();
    case EditorId::SerwisOn: return serwisTon();
    case EditorId::SerwisOff: return serwisToff();
    default: return {};
    }
}

std::vector<std::string> ComboItems::serwisTon() { return numbers(0, itemCount(EditorId::SerwisOn)); }
std::vector<std::string> ComboItems::serwisToff() { return numbers(1, itemCount(EditorId::SerwisOff)); }

} // namespace kdx

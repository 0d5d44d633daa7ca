#include "params/ParameterTable.h"

#include "params/ParamConstants.h"

#include <cstring>
#include <iterator>
#include <stdexcept>
#include <string>

namespace kdx {

namespace {

using namespace layout;

// Language keys of the labels the window shows beside the editors, and of
// the frames that tell equal labels apart.
constexpr int kKeyRpmDivide = 100105;
constexpr int kKeyMinLevH = 100107;
constexpr int kKeyMinLevL = 100108;
constexpr int kKeyGeneralDelay = 100109;
constexpr int kKeyCarType = 100110;
constexpr int kKeyAverageConsumption = 100111;
constexpr int kKeyRpmUpTime = 100310;
constexpr int kKeyMaxHumidity = 100311;
constexpr int kKeyMinTemperature = 100312;
constexpr int kKeyShortOff = 100313;
constexpr int kKeyPump1 = 100500;
constexpr int kKeyPump2 = 100501;
constexpr int kKeyMinRpmP1 = 100502;
constexpr int kKeyMaxRpmP1 = 100503;
constexpr int kKeyMinRpmP2 = 100504;
constexpr int kKeyMaxRpmP2 = 100505;
constexpr int kKeyTonP1 = 100506;
constexpr int kKeyTonP2 = 100507;
constexpr int kKeyToffP1 = 100508;
constexpr int kKeyToffP2 = 100509;
constexpr int kKeySerwisPage = 100005;
constexpr int kKeySerwisTon = 100600;
constexpr int kKeySerwisToff = 100601;
// Editors with no label beside them: the keys of what they are called.
constexpr int kKeyComparator = 102600;
constexpr int kKeyRpmInput = 102601;
constexpr int kKeyPump1Active = 102602;
constexpr int kKeyPump2Active = 102603;
constexpr int kKeyManualTrigMap = 102630;
constexpr int kKeyAutoPumpOnMap = 102631;
constexpr int kKeyAutoPumpStopMap = 102632;
// Map column headings.
constexpr int kKeyPump1Ton = 100301;
constexpr int kKeyPumpsOnTime = 100306;

// A typed entry stored in a field takes every value the field holds.
EditorRow typed(EditorId id, EditorKind kind, EntryRule rule, const Field& f, int64_t numerator, int pow10,
                int label, int group = 0)
{
    EditorRow r{id, kind, rule, &f};
    r.numerator = numerator;
    r.denominatorPow10 = pow10;
    r.minStored = f.minValue();
    r.maxStored = f.maxValue();
    r.labelKey = label;
    r.groupKey = group;
    return r;
}

EditorRow decimal(EditorId id, const Field& f, int64_t numerator, int pow10, int label, int group = 0)
{
    return typed(id, EditorKind::EditBox, EntryRule::Decimal, f, numerator, pow10, label, group);
}

EditorRow tenths(EditorId id, const Field& f, int label, int group = 0) { return decimal(id, f, 10, 0, label, group); }

EditorRow integer(EditorId id, const Field& f, int label)
{
    return typed(id, EditorKind::EditBox, EntryRule::Integer, f, 1, 0, label);
}

EditorRow map(EditorId id, const Field& f, int label)
{
    return typed(id, EditorKind::MapGrid, EntryRule::Decimal, f, 10, 0, label);
}

// A list whose item k stores k x step + offset.
EditorRow list(EditorId id, const Field& f, int step, int offset, int items, int label, int group = 0)
{
    EditorRow r{id, EditorKind::ComboBox, EntryRule::ListStep, &f};
    r.numerator = step;
    r.offset = offset;
    r.items = items;
    r.minStored = offset;
    r.maxStored = offset + int64_t{step} * (items - 1);
    r.labelKey = label;
    r.groupKey = group;
    return r;
}

// A list whose item index is stored (Preset: and picks further values).
EditorRow items(EditorId id, EntryRule rule, const Field& f, int count, int label)
{
    EditorRow r{id, EditorKind::ComboBox, rule, &f};
    r.items = count;
    r.minStored = 0;
    r.maxStored = count - 1;
    r.labelKey = label;
    return r;
}

EditorRow flag(EditorId id, EditorKind kind, uint8_t bit, int count, int label)
{
    EditorRow r{id, kind, EntryRule::FlagBit, &ConfigFlags};
    r.bit = bit;
    r.items = count;
    r.minStored = 0;
    r.maxStored = 1;
    r.labelKey = label;
    return r;
}

// Volts x 819.2 = volts x 8192 / 10.
constexpr int64_t kCountsPerTenthVolt = 8192;

std::vector<EditorRow> buildRows()
{
    using E = EditorId;
    std::vector<EditorRow> rows{
        items(E::Comparator, EntryRule::ItemIndex, AnKompSett, 128, kKeyComparator),
        flag(E::Pump1Active, EditorKind::CheckBox, params::kConfigPump1Active, 0, kKeyPump1Active),
        flag(E::Pump2Active, EditorKind::CheckBox, params::kConfigPump2Active, 0, kKeyPump2Active),
        flag(E::RpmInput, EditorKind::ComboBox, params::kConfigRpmAnalog, 2, kKeyRpmInput),
        items(E::FuelType, EntryRule::Preset, layout::FuelType, 3, kKeyCarType),
        items(E::AverageConsumption, EntryRule::Preset, AvFuelComs, 31, kKeyAverageConsumption),
        integer(E::RpmDivide, RpmDziel, kKeyRpmDivide),
        integer(E::GeneralDelay, layout::GeneralDelay, kKeyGeneralDelay),
        decimal(E::MinLevH, layout::MinLevH, kCountsPerTenthVolt, 1, kKeyMinLevH),
        decimal(E::MinLevL, layout::MinLevL, kCountsPerTenthVolt, 1, kKeyMinLevL),
        tenths(E::MaxHumidity, MaxHum, kKeyMaxHumidity),
        tenths(E::AutoMinTemp, layout::AutoMinTemp, kKeyMinTemperature),
        tenths(E::AutoRpmUpTime, AutoRpmUpT, kKeyRpmUpTime),
        integer(E::Auto2xShortOff, layout::Auto2xShortOff, kKeyShortOff),
        map(E::AutoPumpOnMap, AutoPumpOnTime, kKeyAutoPumpOnMap),
        map(E::AutoPumpStopMap, layout::AutoPumpStopMap, kKeyAutoPumpStopMap),
        map(E::ManualTrigMap, ManualTrigP1Ton, kKeyManualTrigMap),
        list(E::ManualMaxRpmP1, layout::ManualMaxRpmP1, 100, 0, 101, kKeyMaxRpmP1),
        list(E::ManualMinRpmP1, layout::ManualMinRpmP1, 100, 0, 101, kKeyMinRpmP1),
        list(E::ManualMaxRpmP2, layout::ManualMaxRpmP2, 100, 0, 101, kKeyMaxRpmP2),
        list(E::ManualMinRpmP2, layout::ManualMinRpmP2, 100, 0, 101, kKeyMinRpmP2),
        tenths(E::ManualOnP1, ManualMconstOnP1, kKeyTonP1, kKeyPump1),
        tenths(E::ManualOffP1, ManualMconstOffP1, kKeyToffP1, kKeyPump1),
        tenths(E::ManualOnP2, ManualMconstOnP2, kKeyTonP2, kKeyPump2),
        tenths(E::ManualOffP2, ManualMconstOffP2, kKeyToffP2, kKeyPump2),
        list(E::SerwisOn, SerwisTon, 10, 0, 16, kKeySerwisTon, kKeySerwisPage),
        list(E::SerwisOff, SerwisToff, 10, 10, 999, kKeySerwisToff, kKeySerwisPage),
    };
    // Rows in EditorId order: row(id) is rows()[id].
    for (size_t i = 0; i < rows.size(); ++i)
        if (static_cast<size_t>(rows[i].id) != i)
            throw std::logic_error("parameter table out of editor order");
    return rows;
}

// The manual trigger map's time columns 1..4, one field each; row r is entry r - 1.
constexpr const Field* kManualTrigColumns[] = {&ManualTrigP1Ton, &ManualTrigP1Toff, &ManualTrigP2Ton,
                                               &ManualTrigP2Toff};
constexpr int kManualTrigTimeColumns = static_cast<int>(std::size(kManualTrigColumns));
// The stop map: humidity bands across, temperature bands down.
constexpr int kStopHumidityBands = static_cast<int>(AutoHumVector.count);
constexpr int kStopTemperatureBands = static_cast<int>(AutoTempVector.count);
static_assert(layout::AutoPumpStopMap.count == AutoHumVector.count * AutoTempVector.count);

// The layout's fields are constants of a header: each source file has its
// own copies, so a field is known by its name.
bool same(const Field& a, const Field& b) { return &a == &b || std::strcmp(a.name, b.name) == 0; }

} // namespace

int EditorRow::itemOf(int64_t stored) const
{
    // Integer division is the truncation toward zero of the shown list.
    const int64_t index = rule == EntryRule::ListStep ? stored / numerator - offset / numerator : stored;
    return index >= 0 && index < items ? static_cast<int>(index) : -1;
}

const std::vector<EditorRow>& ParameterTable::rows()
{
    static const std::vector<EditorRow> table = buildRows();
    return table;
}

const EditorRow& ParameterTable::row(EditorId id) { return rows().at(static_cast<size_t>(id)); }

const EditorRow* ParameterTable::editBoxOf(const char* name)
{
    for (const EditorRow& r : rows())
        if (r.kind == EditorKind::EditBox && std::strcmp(r.field->name, name) == 0)
            return &r;
    return nullptr;
}

const EditorRow* ParameterTable::editorOf(const Field& field)
{
    for (const EditorRow& r : rows())
        if (r.kind != EditorKind::MapGrid && same(*r.field, field))
            return &r;
    return nullptr;
}

const Field* ParameterTable::manualTrigColumn(int column)
{
    return column >= 1 && column <= kManualTrigTimeColumns ? kManualTrigColumns[column - 1] : nullptr;
}

ParameterTable::Extent ParameterTable::mapExtent(EditorId grid)
{
    switch (grid) {
    case EditorId::ManualTrigMap: return {kManualTrigTimeColumns, static_cast<int>(ManualTrigP1Ton.count)};
    case EditorId::AutoPumpOnMap: return {1, static_cast<int>(AutoPumpOnTime.count)};
    case EditorId::AutoPumpStopMap: return {kStopHumidityBands, kStopTemperatureBands};
    default: return {0, 0};
    }
}

std::optional<MapCell> ParameterTable::mapCell(EditorId grid, int column, int row)
{
    const Extent extent = mapExtent(grid);
    if (column < 1 || column > extent.columns || row < 1 || row > extent.rows)
        return std::nullopt;
    const auto entry = static_cast<size_t>(row - 1);
    if (grid == EditorId::ManualTrigMap) {
        const Field* f = manualTrigColumn(column);
        return MapCell{f, entry, f->wordOf(entry)};
    }
    if (grid == EditorId::AutoPumpOnMap)
        return MapCell{&AutoPumpOnTime, entry, AutoPumpOnTime.wordOf(entry)};
    // Stop map: element T + bands * H for temperature band T (row) and humidity band H (column).
    const auto element = entry + static_cast<size_t>(kStopTemperatureBands) * static_cast<size_t>(column - 1);
    return MapCell{&layout::AutoPumpStopMap, element, layout::AutoPumpStopMap.wordOf(element)};
}

std::optional<EditorId> ParameterTable::mapOf(const Field& field)
{
    for (int c = 1; c <= kManualTrigTimeColumns; ++c)
        if (same(*kManualTrigColumns[c - 1], field))
            return EditorId::ManualTrigMap;
    if (same(field, AutoPumpOnTime))
        return EditorId::AutoPumpOnMap;
    if (same(field, layout::AutoPumpStopMap))
        return EditorId::AutoPumpStopMap;
    return std::nullopt;
}

int ParameterTable::columnHeadingKey(EditorId grid, int column)
{
    if (grid == EditorId::ManualTrigMap && manualTrigColumn(column))
        return kKeyPump1Ton + column - 1;
    if (grid == EditorId::AutoPumpOnMap && column == 1)
        return kKeyPumpsOnTime;
    return 0;
}

} // namespace kdx

#include "params/ParameterEditor.h"

#include "params/EditorId.h"
#include "params/FuelPresets.h"
#include "params/NumberText.h"
#include "params/ParameterDisplay.h"

#include <iterator>
#include <map>

namespace kdx {

namespace {

// Edit boxes holding a decimal entry: field and the factor from the typed
// unit to stored counts, numerator / 10^denominatorPow10.
struct DecimalEdit {
    const Field* field;
    int64_t numerator;
    int denominatorPow10;
};

constexpr DecimalEdit kTenths(const Field& f) { return {&f, 10, 0}; }
// Volts x 819.2 = volts x 8192 / 10.
constexpr DecimalEdit kVolts(const Field& f) { return {&f, 8192, 1}; }

const std::map<EditorId, DecimalEdit>& decimalEdits()
{
    static const std::map<EditorId, DecimalEdit> edits{
        {EditorId::MinLevH, kVolts(layout::MinLevH)},
        {EditorId::MinLevL, kVolts(layout::MinLevL)},
        {EditorId::MaxHumidity, kTenths(layout::MaxHum)},
        {EditorId::AutoMinTemp, kTenths(layout::AutoMinTemp)},
        {EditorId::AutoRpmUpTime, kTenths(layout::AutoRpmUpT)},
        {EditorId::ManualOnP1, kTenths(layout::ManualMconstOnP1)},
        {EditorId::ManualOffP1, kTenths(layout::ManualMconstOffP1)},
        {EditorId::ManualOnP2, kTenths(layout::ManualMconstOnP2)},
        {EditorId::ManualOffP2, kTenths(layout::ManualMconstOffP2)},
    };
    return edits;
}

// Combo boxes whose stored value is index * step + offset.
struct ListCombo {
    const Field* field;
    int step;
    int offset;
};

const std::map<EditorId, ListCombo>& listCombos()
{
    static const std::map<EditorId, ListCombo> combos{
        {EditorId::SerwisOn, {&layout::SerwisTon, 10, 0}},
        {EditorId::SerwisOff, {&layout::SerwisToff, 10, 10}},
        {EditorId::ManualMinRpmP1, {&layout::ManualMinRpmP1, 100, 0}},
        {EditorId::ManualMaxRpmP1, {&layout::ManualMaxRpmP1, 100, 0}},
        {EditorId::ManualMinRpmP2, {&layout::ManualMinRpmP2, 100, 0}},
        {EditorId::ManualMaxRpmP2, {&layout::ManualMaxRpmP2, 100, 0}},
    };
    return combos;
}

// The stored value a decimal entry stands for: the typed value times the
// factor, truncated toward zero. A text that is the one shown for the value
// the field holds stands for that value, so Enter on an unchanged text keeps
// what the controller has even where the factors do not read back (volts).
// Empty with the message when the text is no number or the value does not
// fit the field (it would wrap to another value on the wire).
std::optional<int64_t> decimalEntry(const ParameterImage& image, const Field& field, size_t entry,
                                    const std::string& text, int64_t numerator, int denominatorPow10, char sep,
                                    std::string& error)
{
    const int64_t held = image.value(field, entry);
    if (text == ParameterDisplay::valueText(field, held, sep))
        return held;
    const auto parsed = parseScaled(text, sep, numerator, denominatorPow10);
    if (parsed.ok() && field.holds(*parsed.value))
        return parsed.value;
    error = parsed.ok() ? formatMessage(params::kNotFloatMessage, text) : parsed.error;
    return std::nullopt;
}

// The manual trigger map's time columns 1..4, one field each; row r is entry r - 1.
constexpr const Field* kManualTrigColumns[] = {&layout::ManualTrigP1Ton, &layout::ManualTrigP1Toff,
                                               &layout::ManualTrigP2Ton, &layout::ManualTrigP2Toff};
constexpr int kManualTrigTimeColumns = static_cast<int>(std::size(kManualTrigColumns));
constexpr int kManualTrigTimeRows = static_cast<int>(layout::ManualTrigP1Ton.count);
// The automatic on-time column: one row per rpm band.
constexpr int kAutoPumpOnTimeRows = static_cast<int>(layout::AutoPumpOnTime.count);
// The stop map: humidity bands across, temperature bands down.
constexpr int kStopHumidityBands = static_cast<int>(layout::AutoHumVector.count);
constexpr int kStopTemperatureBands = static_cast<int>(layout::AutoTempVector.count);
static_assert(layout::AutoPumpStopMap.count == layout::AutoHumVector.count * layout::AutoTempVector.count);

const Field* manualTrigColumn(int column)
{
    return column >= 1 && column <= kManualTrigTimeColumns ? kManualTrigColumns[column - 1] : nullptr;
}

// The editable cells of a map grid lie in columns and rows 1..these.
struct GridExtent {
    int columns;
    int rows;
};

GridExtent editableExtent(EditorId grid)
{
    switch (grid) {
    case EditorId::ManualTrigMap: return {kManualTrigTimeColumns, kManualTrigTimeRows};
    case EditorId::AutoPumpOnMap: return {1, kAutoPumpOnTimeRows};
    case EditorId::AutoPumpStopMap: return {kStopHumidityBands, kStopTemperatureBands};
    default: return {0, 0};
    }
}

} // namespace

EditResult ParameterEditor::storeDecimal(ParameterImage& image, const Field& field, const std::string& text,
                                         int64_t numerator, int denominatorPow10, char sep)
{
    EditResult r;
    const auto v = decimalEntry(image, field, 0, text, numerator, denominatorPow10, sep, r.error);
    if (!v)
        return r;
    image.set(field, *v);
    r.writes.push_back(RegisterWrite::forField(field));
    return r;
}

EditResult ParameterEditor::storeInteger(ParameterImage& image, const Field& field, const std::string& text)
{
    EditResult r;
    const auto parsed = parseInteger(text);
    if (!parsed.ok() || !field.holds(*parsed.value)) {
        r.error = formatMessage(params::kNotIntegerMessage, text);
        return r;
    }
    image.set(field, *parsed.value);
    r.writes.push_back(RegisterWrite::forField(field));
    return r;
}

EditResult ParameterEditor::setConfigBit(ParameterImage& image, uint8_t bit, bool on)
{
    uint32_t flags = image.raw(layout::ConfigFlags);
    flags = on ? (flags | bit) : (flags & ~static_cast<uint32_t>(bit));
    image.set(layout::ConfigFlags, flags);
    EditResult r;
    r.writes.push_back(RegisterWrite::forField(layout::ConfigFlags)); // word 40, byte 81 as it stands
    return r;
}

EditResult ParameterEditor::editEntered(ParameterImage& image, EditorId control, const std::string& text,
                                        char sep)
{
    const auto& decimals = decimalEdits();
    if (const auto it = decimals.find(control); it != decimals.end())
        return storeDecimal(image, *it->second.field, text, it->second.numerator, it->second.denominatorPow10, sep);
    if (control == EditorId::RpmDivide)
        return storeInteger(image, layout::RpmDziel, text);
    if (control == EditorId::Auto2xShortOff)
        return storeInteger(image, layout::Auto2xShortOff, text);
    if (control == EditorId::GeneralDelay) {
        EditResult r = storeInteger(image, layout::GeneralDelay, text);
        // A delay of zero seconds is not allowed: it becomes one, and the edit says so.
        if (r.ok() && image.raw(layout::GeneralDelay) == 0) {
            image.set(layout::GeneralDelay, 1);
            r.updates.texts.push_back({EditorId::GeneralDelay, "1"});
        }
        return r;
    }
    return {};
}

EditResult ParameterEditor::comboChosen(ParameterImage& image, EditorId control, int index, char sep)
{
    const auto& lists = listCombos();
    if (const auto it = lists.find(control); it != lists.end()) {
        const ListCombo& c = it->second;
        image.set(*c.field, static_cast<int64_t>(index) * c.step + c.offset);
        EditResult r;
        r.writes.push_back(RegisterWrite::forField(*c.field));
        return r;
    }
    if (control == EditorId::RpmInput) {
        const bool analogue = (index & 1) != 0;
        EditResult r = setConfigBit(image, params::kConfigRpmAnalog, analogue);
        r.updates.visible.push_back({EditorId::Comparator, analogue});
        return r;
    }
    if (control == EditorId::Comparator) {
        image.set(layout::AnKompSett, low8(index));
        EditResult r;
        r.writes.push_back(RegisterWrite::forField(layout::AnKompSett));
        return r;
    }
    if (control == EditorId::FuelType)
        return FuelPresets::fuelTypeChosen(image, index, sep);
    if (control == EditorId::AverageConsumption)
        return FuelPresets::consumptionChosen(image, index, sep);
    return {};
}

EditResult ParameterEditor::checkClicked(ParameterImage& image, EditorId control, bool checked)
{
    if (control == EditorId::Pump1Active)
        return setConfigBit(image, params::kConfigPump1Active, checked);
    if (control == EditorId::Pump2Active)
        return setConfigBit(image, params::kConfigPump2Active, checked);
    return {};
}

std::optional<ParameterEditor::CellTarget> ParameterEditor::cellTarget(EditorId grid, int column, int row)
{
    const GridExtent extent = editableExtent(grid);
    if (column < 1 || column > extent.columns || row < 1 || row > extent.rows)
        return std::nullopt;
    const auto entry = static_cast<size_t>(row - 1);
    if (grid == EditorId::ManualTrigMap) {
        const Field* f = manualTrigColumn(column);
        return CellTarget{f, entry, f->wordOf(entry)};
    }
    if (grid == EditorId::AutoPumpOnMap)
        return CellTarget{&layout::AutoPumpOnTime, entry, layout::AutoPumpOnTime.wordOf(entry)};
    // Stop map: element T + bands * H for temperature band T (row) and humidity band H (column).
    const auto element = entry + static_cast<size_t>(kStopTemperatureBands) * static_cast<size_t>(column - 1);
    return CellTarget{&layout::AutoPumpStopMap, element, layout::AutoPumpStopMap.wordOf(element)};
}

EditResult ParameterEditor::enterByName(ParameterImage& image, const std::string& name, const std::string& text,
                                        char sep)
{
    for (const auto& [control, edit] : decimalEdits())
        if (name == edit.field->name)
            return editEntered(image, control, text, sep);
    const std::pair<const Field*, EditorId> integers[] = {{&layout::GeneralDelay, EditorId::GeneralDelay},
                                                          {&layout::RpmDziel, EditorId::RpmDivide},
                                                          {&layout::Auto2xShortOff, EditorId::Auto2xShortOff}};
    for (const auto& [field, control] : integers)
        if (name == field->name)
            return editEntered(image, control, text, sep);
    // The map grids' cells, by their fields' entry names.
    for (EditorId grid : {EditorId::ManualTrigMap, EditorId::AutoPumpOnMap, EditorId::AutoPumpStopMap})
        for (int column = 1; column <= editableExtent(grid).columns; ++column)
            for (int row = 1; row <= editableExtent(grid).rows; ++row)
                if (const auto t = cellTarget(grid, column, row);
                    t && name == std::string(t->field->name) + "[" + std::to_string(t->entry) + "]")
                    return gridCellEntered(image, grid, column, row, text, sep);
    EditResult r;
    r.error = name + " is not a value an edit box or map cell sets";
    return r;
}

bool ParameterEditor::isEditableCell(EditorId grid, int column, int row)
{
    return cellTarget(grid, column, row).has_value();
}

EditResult ParameterEditor::gridCellEntered(ParameterImage& image, EditorId grid, int column, int row,
                                            const std::string& text, char sep)
{
    EditResult r;
    const auto target = cellTarget(grid, column, row);
    if (!target)
        return r;
    const Field& field = *target->field;
    std::string entry = text;
    const bool unchanged = text == ParameterDisplay::fieldText(image, field, target->entry, sep);
    if (grid == EditorId::ManualTrigMap && !unchanged) {
        const auto parsed = parseDecimal(text, sep);
        if (!parsed.ok()) {
            r.error = parsed.error;
            return r;
        }
        const double x = *parsed.value;
        // On times are 0, negative (map off) or at least 1 s; off times at least 1 s.
        const bool onTime = column == 1 || column == 3;
        if ((onTime && x > 0 && x < 1) || (!onTime && x < 1)) {
            entry = "1";
            r.updates.cells.push_back({grid, column, row, entry});
        }
    }
    const auto v = decimalEntry(image, field, target->entry, entry, 10, 0, sep, r.error);
    if (!v) {
        r.updates = {};
        return r;
    }
    image.set(field, *v, target->entry);
    r.writes.push_back(RegisterWrite::word(target->word));
    return r;
}

} // namespace kdx

#include "params/ParameterEditor.h"

#include "params/FuelPresets.h"
#include "params/ParamConstants.h"
#include "params/NumberText.h"
#include "params/ParameterDisplay.h"

namespace kdx {

namespace {

// The stored value a decimal entry stands for: the typed value times the
// row's factor, truncated toward zero. A text that is the one shown for the
// value the field holds stands for that value, so Enter on an unchanged text
// keeps what the controller has even where the factors do not read back
// (volts). Empty with the message when the text is no number or the value
// is outside what the editor takes (it would wrap to another value on the wire).
std::optional<int64_t> decimalEntry(const ParameterImage& image, const EditorRow& row, const Field& field,
                                    size_t entry, const std::string& text, char sep, std::string& error)
{
    const int64_t held = image.value(field, entry);
    if (text == ParameterDisplay::valueText(field, held, sep))
        return held;
    const auto parsed = parseScaled(text, sep, row.numerator, row.denominatorPow10);
    if (parsed.ok() && row.accepts(*parsed.value) && field.holds(*parsed.value))
        return parsed.value;
    error = parsed.ok() ? formatMessage(params::kNotFloatMessage, text) : parsed.error;
    return std::nullopt;
}

} // namespace

EditResult ParameterEditor::storeDecimal(ParameterImage& image, const EditorRow& row, const std::string& text,
                                         char sep)
{
    EditResult r;
    const auto v = decimalEntry(image, row, *row.field, 0, text, sep, r.error);
    if (!v)
        return r;
    image.set(*row.field, *v);
    r.writes.push_back(RegisterWrite::forField(*row.field));
    return r;
}

EditResult ParameterEditor::storeInteger(ParameterImage& image, const EditorRow& row, const std::string& text)
{
    EditResult r;
    const auto parsed = parseInteger(text);
    if (!parsed.ok() || !row.accepts(*parsed.value)) {
        r.error = formatMessage(params::kNotIntegerMessage, text);
        return r;
    }
    image.set(*row.field, *parsed.value);
    r.writes.push_back(RegisterWrite::forField(*row.field));
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
    const EditorRow& row = ParameterTable::row(control);
    if (row.kind != EditorKind::EditBox)
        return {};
    if (row.rule == EntryRule::Decimal)
        return storeDecimal(image, row, text, sep);
    EditResult r = storeInteger(image, row, text);
    // A delay of zero seconds is not allowed: it becomes one, and the edit says so.
    if (control == EditorId::GeneralDelay && r.ok() && image.raw(*row.field) == 0) {
        image.set(*row.field, 1);
        r.updates.texts.push_back({control, "1"});
    }
    return r;
}

EditResult ParameterEditor::comboChosen(ParameterImage& image, EditorId control, int index, char sep)
{
    const EditorRow& row = ParameterTable::row(control);
    if (row.kind != EditorKind::ComboBox)
        return {};
    EditResult r;
    switch (row.rule) {
    case EntryRule::ListStep:
        image.set(*row.field, static_cast<int64_t>(index) * row.numerator + row.offset);
        r.writes.push_back(RegisterWrite::forField(*row.field));
        return r;
    case EntryRule::FlagBit: {
        const bool analogue = (index & 1) != 0;
        r = setConfigBit(image, row.bit, analogue);
        r.updates.visible.push_back({EditorId::Comparator, analogue});
        return r;
    }
    case EntryRule::ItemIndex:
        image.set(*row.field, low8(index));
        r.writes.push_back(RegisterWrite::forField(*row.field));
        return r;
    case EntryRule::Preset:
        return control == EditorId::FuelType ? FuelPresets::fuelTypeChosen(image, index, sep)
                                             : FuelPresets::consumptionChosen(image, index, sep);
    default: return r;
    }
}

EditResult ParameterEditor::checkClicked(ParameterImage& image, EditorId control, bool checked)
{
    const EditorRow& row = ParameterTable::row(control);
    if (row.kind != EditorKind::CheckBox)
        return {};
    return setConfigBit(image, row.bit, checked);
}

EditResult ParameterEditor::enterByName(ParameterImage& image, const std::string& name, const std::string& text,
                                        char sep)
{
    if (const EditorRow* row = ParameterTable::editBoxOf(name.c_str()))
        return editEntered(image, row->id, text, sep);
    // The map grids' cells, by their fields' entry names.
    for (const EditorRow& grid : ParameterTable::rows()) {
        if (grid.kind != EditorKind::MapGrid)
            continue;
        const auto extent = ParameterTable::mapExtent(grid.id);
        for (int column = 1; column <= extent.columns; ++column)
            for (int row = 1; row <= extent.rows; ++row)
                if (const auto t = ParameterTable::mapCell(grid.id, column, row);
                    t && name == std::string(t->field->name) + "[" + std::to_string(t->entry) + "]")
                    return gridCellEntered(image, grid.id, column, row, text, sep);
    }
    EditResult r;
    r.error = name + " is not a value an edit box or map cell sets";
    return r;
}

bool ParameterEditor::isEditableCell(EditorId grid, int column, int row)
{
    return ParameterTable::mapCell(grid, column, row).has_value();
}

EditResult ParameterEditor::gridCellEntered(ParameterImage& image, EditorId grid, int column, int row,
                                            const std::string& text, char sep)
{
    EditResult r;
    const auto target = ParameterTable::mapCell(grid, column, row);
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
    const auto v = decimalEntry(image, ParameterTable::row(grid), field, target->entry, entry, sep, r.error);
    if (!v) {
        r.updates = {};
        return r;
    }
    image.set(field, *v, target->entry);
    r.writes.push_back(RegisterWrite::word(target->word));
    return r;
}

} // namespace kdx

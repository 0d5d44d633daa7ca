#include "params/ParameterLabels.h"
#include "link/TextFormat.h"

#include "i18n/KeyTable.h"
#include "params/ParameterDisplay.h"
#include "params/ParameterTable.h"

#include <cstring>
#include <utility>

namespace kdx {

namespace {

// Fields no editor shows, by what the views call them.
constexpr std::pair<const char*, int> kFieldKeys[] = {
    {"ImageMarker", 102610},      {"SerialNumber", 102611},   {"LogIdentity", 102612},
    {"LogDate", 102613},          {"WorkModeSetting", 102614}, {"ConfigFlags", 102615},
    {"ManualTrigVector", 102616}, {"AutoPumpOnVector", 102617}, {"AutoHumVector", 102618},
    {"AutoTempVector", 102619},
};
constexpr int kKeyByte = 102620;
// The heading of the pause map's corner cell.
constexpr int kKeyHumTempMap = 100307;

std::string withoutColon(std::string text)
{
    while (!text.empty() && (text.back() == ':' || text.back() == ' '))
        text.pop_back();
    return text;
}

} // namespace

ParameterLabels::ParameterLabels(KeyText texts) : m_texts(std::move(texts)) {}

std::string ParameterLabels::text(int key) const
{
    std::string t = m_texts ? m_texts(key) : std::string();
    return t.empty() ? builtInText(key) : t;
}

std::string ParameterLabels::format(int key, std::initializer_list<std::string> args) const
{
    return fillIn(text(key), args);
}

std::string ParameterLabels::editor(EditorId id) const
{
    const EditorRow& row = ParameterTable::row(id);
    const std::string label = withoutColon(text(row.labelKey));
    return row.groupKey ? withoutColon(text(row.groupKey)) + " " + label : label;
}

std::string ParameterLabels::entry(const ParameterImage& image, const Field& field, size_t e, char sep) const
{
    if (const auto grid = ParameterTable::mapOf(field)) {
        const auto extent = ParameterTable::mapExtent(*grid);
        for (int column = 1; column <= extent.columns; ++column)
            for (int row = 1; row <= extent.rows; ++row) {
                const auto cell = ParameterTable::mapCell(*grid, column, row);
                if (!cell || cell->entry != e || std::strcmp(cell->field->name, field.name) != 0)
                    continue;
                if (*grid == EditorId::AutoPumpStopMap) {
                    const ControlUpdates heads = ParameterDisplay::autoPumpStopHeadings(image, sep);
                    return text(kKeyHumTempMap) + " " + heads.cellOf(*grid, column, 0).value_or("") + ", "
                           + heads.cellOf(*grid, 0, row).value_or("");
                }
                const ControlUpdates bands = *grid == EditorId::ManualTrigMap
                                                 ? ParameterDisplay::manualTrigRows(image, sep)
                                                 : ParameterDisplay::autoPumpOnRows(image, sep);
                return text(ParameterTable::columnHeadingKey(*grid, column)) + " "
                       + bands.cellOf(*grid, 0, row).value_or("");
            }
    }
    if (const EditorRow* row = ParameterTable::editorOf(field); row && row->rule != EntryRule::FlagBit)
        return editor(row->id);
    for (const auto& [name, key] : kFieldKeys)
        if (std::strcmp(name, field.name) == 0)
            return field.count > 1 ? text(key) + " " + std::to_string(e + 1) : text(key);
    return field.name;
}

std::string ParameterLabels::byte(size_t offset) const { return format(kKeyByte, {std::to_string(offset)}); }

} // namespace kdx

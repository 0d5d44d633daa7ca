#include "params/ParameterDisplay.h"

#include "params/EditorId.h"
#include "params/NumberText.h"
#include "params/ParameterTable.h"

namespace kdx {

namespace {

// Range label pieces of the grid headings.
constexpr const char* kFromZero = "0 -> ";
constexpr const char* kArrow = " -> ";
constexpr const char* kToMax = " -> max";
constexpr const char* kPercent = " [%]";
constexpr const char* kToMaxPercent = " -> max [%]";
constexpr const char* kFromMinusMax = "-max -> ";
constexpr const char* kDegrees = " [\u00B0C]";
constexpr const char* kToPlusMaxDegrees = " -> +max [\u00B0C]";

std::string rawText(const ParameterImage& image, const Field& field, size_t entry = 0)
{
    return integerText(image.raw(field, entry));
}

// Column 0 of a grid whose rows are the bands between consecutive boundaries.
void rangeColumn(ControlUpdates& u, EditorId grid, const ParameterImage& image, const Field& vector,
                 int bands)
{
    for (int k = 1; k <= bands; ++k) {
        std::string label;
        if (k == 1)
            label = kFromZero + rawText(image, vector, 0);
        else if (k < bands)
            label = rawText(image, vector, static_cast<size_t>(k - 2)) + kArrow
                + rawText(image, vector, static_cast<size_t>(k - 1));
        else
            label = rawText(image, vector, static_cast<size_t>(k - 2)) + kToMax;
        u.cells.push_back({grid, 0, k, label});
    }
}

} // namespace

int ParameterDisplay::itemIndex(long long index, int items)
{
    return (index >= 0 && index < items) ? static_cast<int>(index) : -1;
}

std::string ParameterDisplay::valueText(const Field& field, int64_t stored, char separator)
{
    if (field.scale == layout::kTenth)
        return scaledIntegerText(stored, 1, separator);
    if (field.scale == layout::kVoltsPerCount) {
        // counts x 0.00122 V in hundredths, halves rounded away from zero.
        const int64_t scaled = stored * 122;
        const int64_t hundredths = (scaled >= 0 ? scaled + 500 : scaled - 500) / 1000;
        return scaledIntegerText(hundredths, 2, separator);
    }
    return integerText(stored);
}

std::string ParameterDisplay::fieldText(const ParameterImage& image, const Field& field, size_t entry,
                                        char separator)
{
    return valueText(field, image.value(field, entry), separator);
}

ControlUpdates ParameterDisplay::autoPumpOnRows(const ParameterImage& image, char sep)
{
    ControlUpdates u;
    const EditorId grid = EditorId::AutoPumpOnMap;
    const int bands = layout::AutoPumpOnTime.count;
    rangeColumn(u, grid, image, layout::AutoPumpOnVector, bands);
    for (int k = 1; k <= bands; ++k)
        u.cells.push_back({grid, 1, k, fieldText(image, layout::AutoPumpOnTime, static_cast<size_t>(k - 1), sep)});
    return u;
}

ControlUpdates ParameterDisplay::autoPumpStopHeadings(const ParameterImage& image, char sep)
{
    ControlUpdates u;
    const EditorId grid = EditorId::AutoPumpStopMap;
    const std::string h0 = fieldText(image, layout::AutoHumVector, 0, sep);
    const std::string h1 = fieldText(image, layout::AutoHumVector, 1, sep);
    const std::string t0 = fieldText(image, layout::AutoTempVector, 0, sep);
    const std::string t1 = fieldText(image, layout::AutoTempVector, 1, sep);
    u.cells.push_back({grid, 1, 0, kFromZero + h0 + kPercent});
    u.cells.push_back({grid, 2, 0, h0 + kArrow + h1 + kPercent});
    u.cells.push_back({grid, 3, 0, h1 + kToMaxPercent});
    u.cells.push_back({grid, 0, 1, kFromMinusMax + t0 + kDegrees});
    u.cells.push_back({grid, 0, 2, t0 + kArrow + t1 + kDegrees});
    u.cells.push_back({grid, 0, 3, t1 + kToPlusMaxDegrees});
    return u;
}

ControlUpdates ParameterDisplay::autoPumpStopCells(const ParameterImage& image, char sep)
{
    ControlUpdates u;
    const EditorId grid = EditorId::AutoPumpStopMap;
    const auto extent = ParameterTable::mapExtent(grid);
    for (int h = 1; h <= extent.columns; ++h)
        for (int t = 1; t <= extent.rows; ++t) {
            const MapCell cell = *ParameterTable::mapCell(grid, h, t);
            u.cells.push_back({grid, h, t, fieldText(image, *cell.field, cell.entry, sep)});
        }
    return u;
}

ControlUpdates ParameterDisplay::manualTrigRows(const ParameterImage& image, char sep)
{
    ControlUpdates u;
    const EditorId grid = EditorId::ManualTrigMap;
    const auto extent = ParameterTable::mapExtent(grid);
    const int bands = layout::ManualTrigVector.count;
    for (int k = 1; k <= bands; ++k)
        for (int c = 1; c <= extent.columns; ++c)
            u.cells.push_back({grid, c, k, fieldText(image, *ParameterTable::manualTrigColumn(c),
                                                     static_cast<size_t>(k - 1), sep)});
    rangeColumn(u, grid, image, layout::ManualTrigVector, bands);
    return u;
}

ParameterView ParameterDisplay::showAllData(const ParameterImage& image, char sep)
{
    ParameterView view;
    ControlUpdates& u = view.updates;
    const uint32_t flags = image.raw(layout::ConfigFlags);
    const bool analogue = (flags & ParameterTable::row(EditorId::RpmInput).bit) != 0;
    u.visible.push_back({EditorId::Comparator, analogue});

    for (const EditorRow& row : ParameterTable::rows()) {
        switch (row.kind) {
        case EditorKind::CheckBox:
            u.checked.push_back({row.id, (flags & row.bit) != 0});
            break;
        case EditorKind::ComboBox:
            u.indices.push_back({row.id, row.rule == EntryRule::FlagBit ? (analogue ? 1 : 0)
                                                                         : row.itemOf(image.raw(*row.field))});
            break;
        case EditorKind::EditBox:
            u.texts.push_back({row.id, row.rule == EntryRule::Integer ? rawText(image, *row.field)
                                                                       : fieldText(image, *row.field, 0, sep)});
            break;
        case EditorKind::MapGrid:
            break;
        }
    }

    u.append(autoPumpOnRows(image, sep));
    u.append(autoPumpStopHeadings(image, sep));
    u.append(autoPumpStopCells(image, sep));
    u.append(manualTrigRows(image, sep));

    view.markerMessageDue = !image.isInitialised();
    return view;
}

} // namespace kdx

#include "params/ParameterDiff.h"

#include "params/NumberText.h"
#include "params/ParameterDisplay.h"
#include "params/ParameterFieldText.h"
#include "params/ParameterTable.h"

#include <cstdio>

namespace kdx {

namespace {

std::string byteText(uint8_t v)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", v);
    return buf;
}

bool entryDiffers(const ParameterImage& a, const ParameterImage& b, const Field& f, size_t e)
{
    return a.raw(f, e) != b.raw(f, e);
}

// Cell texts are numbers only: the grid's title carries the unit.
std::string cellText(const ParameterImage& image, const Field& f, size_t e, char sep)
{
    return fixedText(image.scaled(f, e), 12, 1, sep);
}

DifferenceGrid::Cell cell(const ParameterImage& a, const ParameterImage& b, const Field& f, size_t e, char sep)
{
    return {cellText(a, f, e, sep), cellText(b, f, e, sep), entryDiffers(a, b, f, e)};
}

// Language keys of the views' own texts.
constexpr int kKeyTitle = 102640;
constexpr int kKeyNoDifferences = 102641;
constexpr int kKeyDifferences = 102642;
constexpr int kKeyWrite = 102643;
constexpr int kKeyNameHead = 102644;
constexpr int kKeyChangedCells = 102645;
constexpr int kKeyListName = 102655;
constexpr int kKeyCancel = 102656;
constexpr int kKeyClose = 102657;

// A map grid as its editor shows it: data columns under their headings (the
// pause map's humidity bands), rows by their bands, as the right image holds them.
DifferenceGrid mapGrid(EditorId grid, const ParameterImage& a, const ParameterImage& b, char sep,
                       const ParameterLabels& labels)
{
    DifferenceGrid g;
    g.title = labels.text(ParameterTable::row(grid).labelKey);
    const auto extent = ParameterTable::mapExtent(grid);
    const bool pauseMap = grid == EditorId::AutoPumpStopMap;
    const ControlUpdates heads = pauseMap ? ParameterDisplay::autoPumpStopHeadings(b, sep)
                                 : grid == EditorId::ManualTrigMap ? ParameterDisplay::manualTrigRows(b, sep)
                                                                   : ParameterDisplay::autoPumpOnRows(b, sep);
    for (int c = 1; c <= extent.columns; ++c)
        g.columnHeads.push_back(pauseMap ? heads.cellOf(grid, c, 0).value_or("")
                                         : labels.text(ParameterTable::columnHeadingKey(grid, c)));
    for (int r = 1; r <= extent.rows; ++r) {
        g.rowHeads.push_back(heads.cellOf(grid, 0, r).value_or(""));
        std::vector<DifferenceGrid::Cell> row;
        for (int c = 1; c <= extent.columns; ++c) {
            const MapCell m = *ParameterTable::mapCell(grid, c, r);
            row.push_back(cell(a, b, *m.field, m.entry, sep));
        }
        g.rows.push_back(std::move(row));
    }
    return g;
}

} // namespace

bool DifferenceGrid::anyChanged() const
{
    for (const auto& row : rows)
        for (const auto& c : row)
            if (c.changed)
                return true;
    return false;
}

bool ParameterDiff::interpreted(size_t offset)
{
    for (const Field* f : layout::kAllFields)
        if (offset >= f->offset && offset < f->endOffset())
            return true;
    return false;
}

std::vector<FieldChange> ParameterDiff::changes(const ParameterImage& a, const ParameterImage& b, char sep,
                                                const ParameterLabels& labels)
{
    std::vector<FieldChange> out;
    for (const Field* f : layout::kAllFields)
        for (size_t e = 0; e < f->count; ++e)
            if (entryDiffers(a, b, *f, e))
                out.push_back({f, e, ParameterFieldText::name(*f, e), labels.entry(b, *f, e, sep),
                               ParameterFieldText::value(a, *f, e, sep), ParameterFieldText::value(b, *f, e, sep)});
    for (size_t offset = 0; offset < params::kImageSize; ++offset)
        if (a.byte(offset) != b.byte(offset) && !interpreted(offset))
            out.push_back({nullptr, offset, "byte " + std::to_string(offset), labels.byte(offset),
                           byteText(a.byte(offset)), byteText(b.byte(offset))});
    return out;
}

DifferenceView ParameterDiff::view(const ParameterImage& a, const ParameterImage& b, const std::string& leftTitle,
                                   const std::string& rightTitle, char sep, const ParameterLabels& labels)
{
    DifferenceView v;
    v.title = labels.text(kKeyTitle);
    v.leftTitle = leftTitle;
    v.rightTitle = rightTitle;
    for (auto& change : changes(a, b, sep, labels)) {
        ++v.changeCount;
        if (!change.field || !ParameterTable::mapOf(*change.field))
            v.rows.push_back(std::move(change));
    }
    for (EditorId grid : {EditorId::ManualTrigMap, EditorId::AutoPumpOnMap, EditorId::AutoPumpStopMap})
        if (DifferenceGrid g = mapGrid(grid, a, b, sep, labels); g.anyChanged())
            v.grids.push_back(std::move(g));
    v.summary = v.changeCount == 0 ? labels.format(kKeyNoDifferences, {leftTitle, rightTitle})
                                   : labels.format(kKeyDifferences,
                                                   {std::to_string(v.changeCount), leftTitle, rightTitle});
    v.listName = labels.text(kKeyListName);
    v.nameHead = labels.text(kKeyNameHead);
    v.writeButton = labels.text(kKeyWrite);
    v.cancelButton = labels.text(kKeyCancel);
    v.closeButton = labels.text(kKeyClose);
    v.changedCells = labels.format(kKeyChangedCells, {leftTitle, rightTitle});
    return v;
}

} // namespace kdx

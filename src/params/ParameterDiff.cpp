#include "params/ParameterDiff.h"

#include "params/NumberText.h"
#include "params/ParameterFieldText.h"

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

DifferenceGrid manualTrigGrid(const ParameterImage& a, const ParameterImage& b, char sep)
{
    using namespace layout;
    DifferenceGrid g;
    g.title = "manual trigger map [s]";
    g.columnHeads = {"Pump1Ton", "Pump1Toff", "Pump2Ton", "Pump2Toff"};
    const Field* columns[] = {&ManualTrigP1Ton, &ManualTrigP1Toff, &ManualTrigP2Ton, &ManualTrigP2Toff};
    for (size_t r = 0; r < ManualTrigP1Ton.count; ++r) {
        const std::string from = r == 0 ? "0" : integerText(b.value(ManualTrigVector, r - 1));
        const std::string to = r + 1 == ManualTrigP1Ton.count ? "max" : integerText(b.value(ManualTrigVector, r));
        g.rowHeads.push_back(from + " -> " + to + " rpm");
        std::vector<DifferenceGrid::Cell> row;
        for (const Field* f : columns)
            row.push_back(cell(a, b, *f, r, sep));
        g.rows.push_back(std::move(row));
    }
    return g;
}

DifferenceGrid autoPumpOnGrid(const ParameterImage& a, const ParameterImage& b, char sep)
{
    using namespace layout;
    DifferenceGrid g;
    g.title = "automatic pump on time [s]";
    g.columnHeads = {"PumpsOnTime"};
    for (size_t r = 0; r < AutoPumpOnTime.count; ++r) {
        g.rowHeads.push_back("rpm band " + std::to_string(r));
        g.rows.push_back({cell(a, b, AutoPumpOnTime, r, sep)});
    }
    return g;
}

DifferenceGrid autoPumpStopGrid(const ParameterImage& a, const ParameterImage& b, char sep)
{
    using namespace layout;
    DifferenceGrid g;
    g.title = "automatic pause map [s] (humidity across, temperature down)";
    for (size_t h = 0; h < 3; ++h)
        g.columnHeads.push_back("hum band " + std::to_string(h));
    for (size_t t = 0; t < 3; ++t) {
        g.rowHeads.push_back("temp band " + std::to_string(t));
        std::vector<DifferenceGrid::Cell> row;
        for (size_t h = 0; h < 3; ++h)
            row.push_back(cell(a, b, AutoPumpStopMap, t + 3 * h, sep));
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

std::vector<FieldChange> ParameterDiff::changes(const ParameterImage& a, const ParameterImage& b, char sep)
{
    std::vector<FieldChange> out;
    for (const Field* f : layout::kAllFields)
        for (size_t e = 0; e < f->count; ++e)
            if (entryDiffers(a, b, *f, e))
                out.push_back({f, e, ParameterFieldText::name(*f, e), ParameterFieldText::value(a, *f, e, sep),
                               ParameterFieldText::value(b, *f, e, sep)});
    for (size_t offset = 0; offset < params::kImageSize; ++offset)
        if (a.byte(offset) != b.byte(offset) && !interpreted(offset))
            out.push_back({nullptr, offset, "byte " + std::to_string(offset), byteText(a.byte(offset)),
                           byteText(b.byte(offset))});
    return out;
}

DifferenceView ParameterDiff::view(const ParameterImage& a, const ParameterImage& b, const std::string& leftTitle,
                                   const std::string& rightTitle, char sep)
{
    DifferenceView v;
    v.leftTitle = leftTitle;
    v.rightTitle = rightTitle;
    for (auto& change : changes(a, b, sep)) {
        ++v.changeCount;
        if (!change.field || !ParameterFieldText::isMapCell(*change.field))
            v.rows.push_back(std::move(change));
    }
    for (DifferenceGrid g : {manualTrigGrid(a, b, sep), autoPumpOnGrid(a, b, sep), autoPumpStopGrid(a, b, sep)})
        if (g.anyChanged())
            v.grids.push_back(std::move(g));
    return v;
}

} // namespace kdx

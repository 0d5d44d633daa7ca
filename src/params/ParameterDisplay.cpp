#include "params/ParameterDisplay.h"

#include "params/EditorId.h"
#include "params/NumberText.h"

#include <iterator>

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
    for (int h = 0; h < 3; ++h)
        for (int t = 0; t < 3; ++t)
            u.cells.push_back({EditorId::AutoPumpStopMap, h + 1, t + 1,
                               fieldText(image, layout::AutoPumpStopMap, static_cast<size_t>(t + 3 * h), sep)});
    return u;
}

ControlUpdates ParameterDisplay::manualTrigRows(const ParameterImage& image, char sep)
{
    ControlUpdates u;
    const EditorId grid = EditorId::ManualTrigMap;
    const Field* columns[] = {&layout::ManualTrigP1Ton, &layout::ManualTrigP1Toff, &layout::ManualTrigP2Ton,
                              &layout::ManualTrigP2Toff};
    const int bands = layout::ManualTrigVector.count;
    for (int k = 1; k <= bands; ++k)
        for (int c = 1; c <= static_cast<int>(std::size(columns)); ++c)
            u.cells.push_back({grid, c, k, fieldText(image, *columns[c - 1], static_cast<size_t>(k - 1), sep)});
    rangeColumn(u, grid, image, layout::ManualTrigVector, bands);
    return u;
}

ParameterView ParameterDisplay::showAllData(const ParameterImage& image, char sep)
{
        ParameterView view;
    ControlUpdates& u = view.updates;
    const uint32_t flags = image.raw(layout::ConfigFlags);
    const bool analogue = (flags & params::kConfigRpmAnalog) != 0;

    u.visible.push_back({EditorId::Comparator, analogue});
    u.checked.push_back({EditorId::Pump1Active, (flags & params::kConfigPump1Active) != 0});
    u.checked.push_back({EditorId::Pump2Active, (flags & params::kConfigPump2Active) != 0});

    u.indices.push_back({EditorId::RpmInput, analogue ? 1 : 0});
    u.indices.push_back({EditorId::Comparator, itemIndex(image.raw(layout::AnKompSett), params::kAnKompSettItems)});
    u.indices.push_back({EditorId::FuelType, itemIndex(image.raw(layout::FuelType), params::kFuelTypeItems)});
    u.texts.push_back({EditorId::RpmDivide, rawText(image, layout::RpmDziel)});

    // The rpm lists step by 100 and the service lists by whole seconds
    // (tenths / 10); integer division is the truncation toward zero.
    u.indices.push_back({EditorId::ManualMaxRpmP1, itemIndex(image.raw(layout::ManualMaxRpmP1) / 100, params::kManualRpmItems)});
    u.indices.push_back({EditorId::ManualMinRpmP1, itemIndex(image.raw(layout::ManualMinRpmP1) / 100, params::kManualRpmItems)});
    u.indices.push_back({EditorId::ManualMaxRpmP2, itemIndex(image.raw(layout::ManualMaxRpmP2) / 100, params::kManualRpmItems)});
    u.indices.push_back({EditorId::ManualMinRpmP2, itemIndex(image.raw(layout::ManualMinRpmP2) / 100, params::kManualRpmItems)});

    u.texts.push_back({EditorId::ManualOnP1, fieldText(image, layout::ManualMconstOnP1, 0, sep)});
    u.texts.push_back({EditorId::ManualOffP1, fieldText(image, layout::ManualMconstOffP1, 0, sep)});
    u.texts.push_back({EditorId::ManualOnP2, fieldText(image, layout::ManualMconstOnP2, 0, sep)});
    u.texts.push_back({EditorId::ManualOffP2, fieldText(image, layout::ManualMconstOffP2, 0, sep)});

    u.texts.push_back({EditorId::MinLevH, fieldText(image, layout::MinLevH, 0, sep)});
    u.texts.push_back({EditorId::MinLevL, fieldText(image, layout::MinLevL, 0, sep)});

    u.texts.push_back({EditorId::MaxHumidity, fieldText(image, layout::MaxHum, 0, sep)});
    u.texts.push_back({EditorId::AutoMinTemp, fieldText(image, layout::AutoMinTemp, 0, sep)});
    u.texts.push_back({EditorId::AutoRpmUpTime, fieldText(image, layout::AutoRpmUpT, 0, sep)});
    u.texts.push_back({EditorId::Auto2xShortOff, rawText(image, layout::Auto2xShortOff)});

    // The off list starts at "1" second.
    u.indices.push_back({EditorId::SerwisOn, itemIndex(image.raw(layout::SerwisTon) / 10, params::kSerwisTonItems)});
    u.indices.push_back({EditorId::SerwisOff,
                         itemIndex(static_cast<long long>(image.raw(layout::SerwisToff) / 10) - 1, params::kSerwisToffItems)});
    u.texts.push_back({EditorId::GeneralDelay, rawText(image, layout::GeneralDelay)});
    u.indices.push_back({EditorId::AverageConsumption, itemIndex(image.raw(layout::AvFuelComs), params::kAvFuelComsItems)});

    u.append(autoPumpOnRows(image, sep));
    u.append(autoPumpStopHeadings(image, sep));
    u.append(autoPumpStopCells(image, sep));
    u.append(manualTrigRows(image, sep));

    view.markerMessageDue = !image.isInitialised();
    return view;
}

} // namespace kdx

// The table of editable parameters against what the editors do: every
// editor has its row, each row's conversion gives the stored values the
// controller's design names, and each row's range is exactly what its editor
// takes at the bounds. The difference views name parameters by their labels
// in the language given.
#include "params/ParameterDiff.h"
#include "params/ParameterDisplay.h"
#include "params/ParameterEditor.h"
#include "params/ParameterTable.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace kdx {
namespace {

constexpr int kEditorCount = static_cast<int>(EditorId::SerwisOff) + 1;

// One entry into an editor and the value the controller's design says its
// field then holds. Typed text for edit boxes and map cells, an item index
// for lists, the state for check boxes.
struct Probe {
    EditorId id;
    const char* text;
    int index;
    const char* field;
    size_t entry;
    int64_t stored;
    int column = 0; // map cell
    int row = 0;
};

const Probe kProbes[] = {
    {EditorId::Comparator, nullptr, 127, "AnKompSett", 0, 127},
    {EditorId::Pump1Active, nullptr, 1, "ConfigFlags", 0, 0x04},
    {EditorId::Pump2Active, nullptr, 1, "ConfigFlags", 0, 0x08},
    {EditorId::RpmInput, nullptr, 1, "ConfigFlags", 0, 0x02},
    {EditorId::FuelType, nullptr, 2, "FuelType", 0, 2},
    {EditorId::AverageConsumption, nullptr, 30, "AvFuelComs", 0, 30},
    {EditorId::RpmDivide, "10", 0, "RpmDziel", 0, 10},
    {EditorId::GeneralDelay, "0", 0, "GeneralDelay", 0, 1},
    {EditorId::MinLevH, "1.2", 0, "MinLevH", 0, 983},
    {EditorId::MinLevL, "0.9", 0, "MinLevL", 0, 737},
    {EditorId::MaxHumidity, "95", 0, "MaxHum", 0, 950},
    {EditorId::AutoMinTemp, "-2.5", 0, "AutoMinTemp", 0, -25},
    {EditorId::AutoRpmUpTime, "5", 0, "AutoRpmUpT", 0, 50},
    {EditorId::Auto2xShortOff, "5000", 0, "Auto2xShortOff", 0, 5000},
    {EditorId::AutoPumpOnMap, "2.55", 0, "AutoPumpOnTime", 4, 25, 1, 5},
    {EditorId::AutoPumpStopMap, "3", 0, "AutoPumpStopMap", 7, 30, 3, 2},
    {EditorId::ManualTrigMap, "0", 0, "ManualTrigP1Toff", 0, 10, 2, 1},
    {EditorId::ManualMaxRpmP1, nullptr, 50, "ManualMaxRpmP1", 0, 5000},
    {EditorId::ManualMinRpmP1, nullptr, 1, "ManualMinRpmP1", 0, 100},
    {EditorId::ManualMaxRpmP2, nullptr, 100, "ManualMaxRpmP2", 0, 10000},
    {EditorId::ManualMinRpmP2, nullptr, 7, "ManualMinRpmP2", 0, 700},
    {EditorId::ManualOnP1, "12.34", 0, "ManualMconstOnP1", 0, 123},
    {EditorId::ManualOffP1, "25", 0, "ManualMconstOffP1", 0, 250},
    {EditorId::ManualOnP2, "0.5", 0, "ManualMconstOnP2", 0, 5},
    {EditorId::ManualOffP2, "1", 0, "ManualMconstOffP2", 0, 10},
    {EditorId::SerwisOn, nullptr, 15, "SerwisTon", 0, 150},
    {EditorId::SerwisOff, nullptr, 998, "SerwisToff", 0, 9990},
};

const Field& fieldNamed(const char* name)
{
    for (const Field* f : layout::kAllFields)
        if (std::string(f->name) == name)
            return *f;
    throw std::logic_error(name);
}

// Enters text into an edit box, or into the probe's cell of a map grid.
EditResult enterText(ParameterImage& image, const EditorRow& row, const std::string& text, int column = 1,
                     int cellRow = 1)
{
    return row.kind == EditorKind::MapGrid
               ? ParameterEditor::gridCellEntered(image, row.id, column, cellRow, text, '.')
               : ParameterEditor::editEntered(image, row.id, text, '.');
}

EditResult pick(ParameterImage& image, const EditorRow& row, int index)
{
    return row.kind == EditorKind::CheckBox ? ParameterEditor::checkClicked(image, row.id, index != 0)
                                            : ParameterEditor::comboChosen(image, row.id, index, '.');
}

// The exact decimal text of numerator / denominator (a denominator of 2s and 5s).
std::string exactText(int64_t numerator, int64_t denominator)
{
    std::string text = numerator < 0 ? "-" : "";
    uint64_t n = static_cast<uint64_t>(numerator < 0 ? -numerator : numerator);
    const auto d = static_cast<uint64_t>(denominator);
    text += std::to_string(n / d);
    n %= d;
    if (n)
        text += ".";
    for (int digits = 0; n && digits < 30; ++digits) {
        n *= 10;
        text += static_cast<char>('0' + n / d);
        n %= d;
    }
    return text;
}

// The text a technician types for a stored value of an edit box or map cell.
std::string typedFor(const EditorRow& row, int64_t stored)
{
    int64_t scale = 1;
    for (int i = 0; i < row.denominatorPow10; ++i)
        scale *= 10;
    return exactText(stored * scale, row.numerator);
}

TEST(ParameterTable, EveryEditorHasOneRowAndItsEntryStoresWhatTheDesignSays)
{
    ASSERT_EQ(ParameterTable::rows().size(), static_cast<size_t>(kEditorCount));
    std::set<EditorId> probed;
    for (const Probe& p : kProbes) {
        SCOPED_TRACE(::testing::Message() << p.id);
        const EditorRow& row = ParameterTable::row(p.id);
        EXPECT_EQ(row.id, p.id);
        EXPECT_TRUE(probed.insert(p.id).second) << "probed twice";
        ParameterImage image;
        const EditResult r = p.text ? enterText(image, row, p.text, p.column, p.row) : pick(image, row, p.index);
        ASSERT_TRUE(r.ok()) << r.error;
        EXPECT_FALSE(r.writes.empty());
        EXPECT_EQ(image.value(fieldNamed(p.field), p.entry), p.stored);
        // A list shows the stored value as the item it was picked from.
        if (row.kind == EditorKind::ComboBox) {
            EXPECT_EQ(ParameterDisplay::showAllData(image, '.').updates.indexOf(p.id), p.index);
        }
    }
    EXPECT_EQ(probed.size(), static_cast<size_t>(kEditorCount)) << "an editor without a probe";
}

TEST(ParameterTable, EachRowsRangeIsWhatItsEditorTakesAtTheBounds)
{
    for (const EditorRow& row : ParameterTable::rows()) {
        SCOPED_TRACE(::testing::Message() << row.id);
        const Field& field = *row.field;
        ASSERT_TRUE(field.holds(row.minStored) && field.holds(row.maxStored)) << "range wider than the field";
        ASSERT_LE(row.minStored, row.maxStored);
        ParameterImage image;
        if (row.kind == EditorKind::EditBox || row.kind == EditorKind::MapGrid) {
            // Typed values have no bounds but the field's: what fits is sent.
            EXPECT_EQ(row.minStored, field.minValue());
            EXPECT_EQ(row.maxStored, field.maxValue());
            EXPECT_TRUE(enterText(image, row, typedFor(row, row.maxStored)).ok());
            EXPECT_EQ(image.value(field, 0), row.maxStored);
            EXPECT_TRUE(enterText(image, row, typedFor(row, row.minStored)).ok());
            // A zero delay becomes one second.
            EXPECT_EQ(image.value(field, 0), row.id == EditorId::GeneralDelay ? 1 : row.minStored);
            const ParameterImage before = image;
            for (const int64_t outside : {row.maxStored + 1, row.minStored - 1}) {
                const EditResult r = enterText(image, row, typedFor(row, outside));
                EXPECT_FALSE(r.ok()) << typedFor(row, outside) << " taken";
                EXPECT_TRUE(r.writes.empty());
            }
            EXPECT_TRUE(std::equal(image.data(), image.data() + image.size(), before.data()));
            continue;
        }
        // Lists and check boxes: the first and last item (or state) store the
        // bounds, and the shown parameters pick those items again.
        const int last = row.kind == EditorKind::CheckBox ? 1 : row.items - 1;
        for (const auto& [index, stored] : {std::pair{last, row.maxStored}, std::pair{0, row.minStored}}) {
            ASSERT_TRUE(pick(image, row, index).ok());
            const int64_t held = image.value(field, 0);
            EXPECT_EQ(row.rule == EntryRule::FlagBit ? int64_t{(held & row.bit) != 0} : held, stored) << index;
            const ControlUpdates shown = ParameterDisplay::showAllData(image, '.').updates;
            if (row.kind == EditorKind::CheckBox) {
                EXPECT_EQ(shown.checkedOf(row.id), index != 0);
            } else {
                EXPECT_EQ(shown.indexOf(row.id), index);
            }
        }
        if (row.rule == EntryRule::ListStep) {
            // Between two items: no item.
            image.set(field, row.maxStored + row.numerator);
            EXPECT_EQ(ParameterDisplay::showAllData(image, '.').updates.indexOf(row.id), -1);
        }
    }
}

TEST(ParameterTable, EditorsAreToldApartByTheirLabels)
{
    const ParameterLabels english;
    std::set<std::string> labels;
    for (const EditorRow& row : ParameterTable::rows()) {
        const std::string label = english.editor(row.id);
        EXPECT_FALSE(label.empty()) << row.id;
        EXPECT_TRUE(labels.insert(label).second) << row.id << ": " << label << " twice";
    }
    EXPECT_EQ(english.editor(EditorId::ManualOnP2), "pump 2 Ton [s]");
    EXPECT_EQ(english.editor(EditorId::FuelType), "car type");
    EXPECT_EQ(english.editor(EditorId::SerwisOff), "serwis Toff [s]");
}

// The difference view in the language of the window: editors by their
// labels, maps headed as on their page, the view's own texts.
TEST(ParameterTable, TheDifferenceViewSpeaksTheWindowsLanguage)
{
    const std::map<int, std::string> german{
        {100109, "allgemeine Verzögerung [s]"}, {100302, "Pumpe1Aus[s]"},
        {102630, "Kennfeld manuelle Auslösung [s]"}, {102642, "%1 Werte unterscheiden sich zwischen %2 und %3."},
        {102643, "In das Steuergerät schreiben"}, {102644, "Parameter"}};
    const ParameterLabels labels([&german](int key) {
        const auto it = german.find(key);
        return it == german.end() ? std::string() : it->second;
    });
    ParameterImage a;
    a.set(layout::ManualTrigVector, 1500, 0);
    a.set(layout::ManualTrigVector, 2500, 1);
    ParameterImage b = a;
    b.set(layout::GeneralDelay, 14);
    b.set(layout::ManualTrigP1Toff, 25, 1);
    b.set(layout::FuelType, 1);

    const DifferenceView v = ParameterDiff::view(a, b, "Steuergerät", "Datei", ',', labels);
    EXPECT_EQ(v.summary, "3 Werte unterscheiden sich zwischen Steuergerät und Datei.");
    EXPECT_EQ(v.writeButton, "In das Steuergerät schreiben");
    EXPECT_EQ(v.nameHead, "Parameter");
    ASSERT_EQ(v.rows.size(), 2u);
    EXPECT_EQ(v.rows[0].label, "allgemeine Verzögerung [s]");
    EXPECT_EQ(v.rows[0].name, "GeneralDelay"); // the parameter file's name stays
    EXPECT_EQ(v.rows[1].label, "car type");    // no German text given: English
    ASSERT_EQ(v.grids.size(), 1u);
    const DifferenceGrid& g = v.grids[0];
    EXPECT_EQ(g.title, "Kennfeld manuelle Auslösung [s]");
    EXPECT_EQ(g.columnHeads, (std::vector<std::string>{"Pump1Ton[s]", "Pumpe1Aus[s]", "Pump2Ton[s]", "Pump2Toff[s]"}));
    EXPECT_EQ(g.rowHeads[1], "1500 -> 2500");
    EXPECT_TRUE(g.rows[1][1].changed);
    EXPECT_EQ(g.rows[1][1].right, "2,5");

    // A map cell outside its grid (the unsent-edits question, the save lamp).
    const auto changes = ParameterDiff::changes(a, b, ',', labels);
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].label, "Pumpe1Aus[s] 1500 -> 2500"); // in layout order, before the delay
}

} // namespace
} // namespace kdx

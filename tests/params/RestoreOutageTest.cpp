// Loading a parameter file into a simulated controller while its line fails
// at a chosen frame: afterwards its EEPROM holds either its earlier
// parameters or exactly the file's, never a mix, and the report says which.

#include "link/DeviceLink.h"
#include "params/ParameterRestore.h"
#include "sim/ControllerModel.h"
#include "sim/SimConstants.h"
#include "sim/SimulatedLine.h"
#include "support/TestClock.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kdx::test {
namespace {

constexpr uint16_t kPages[] = {0, 128, 256, 384};
constexpr unsigned kChangedWords = 40; // words 40..79 differ in the file

struct OutageCase {
    const char* name;
    const char* fault;     // kdx-sim fault, counted from the first word sent; empty: none
    int stopAfterWords;    // the technician stops after this many words; -1: never
    std::optional<uint16_t> stuckByte;
    bool ok;               // reported as done
    bool saved;            // the EEPROM holds the file afterwards (else its earlier set)
    bool memoryIsEeprom;   // the memory equals the EEPROM afterwards
    const char* reportHas;
};

void PrintTo(const OutageCase& c, std::ostream* os) { *os << c.name; }

class RestoreOutage : public ::testing::TestWithParam<OutageCase> {
protected:
    RestoreOutage() : model(sim::ControllerConfig{}), line(model, clock), link(line, clock, state), writer(link, image)
    {
        model.powerOn(clock.nowMs());
        link.selectPort(sim::kDemoPortName);
        link.openPort();
        state.connected = true;
        state.parametersLoaded = true;
    }

    bool readBack()
    {
        for (const uint16_t address : kPages)
            if (!link.readPage(address, image.data() + address))
                return false;
        return true;
    }
    bool eepromHolds(const ParameterImage& wanted) const
    {
        return std::memcmp(model.eeprom().bytes().data(), wanted.data(), 512) == 0;
    }

    TestClock clock;
    sim::ControllerModel model;
    sim::SimulatedLine line;
    ConnectionState state;
    DeviceLink link;
    ParameterImage image;
    RegisterWriter writer;
};

TEST_P(RestoreOutage, EepromHoldsOneWholeSetAndTheReportSaysWhich)
{
    const OutageCase& c = GetParam();
    ASSERT_TRUE(readBack());
    const ParameterImage before = image;
    ParameterFile file;
    file.image = before;
    for (unsigned w = 40; w < 40 + kChangedWords; ++w)
        file.image.setWord(w, static_cast<uint16_t>(before.word(w) ^ 0x0101));
    file.info.serialNumber = before.serialNumber();
    const ControllerIdentity id{before.serialNumber(), model.hardwareVersion(), model.softwareVersion(),
                                model.softwareRevision()};
    const RestorePlan plan = ParameterRestore::plan(before, id, file, false);
    ASSERT_EQ(plan.words.size(), kChangedWords);

    sim::FaultSet faults;
    std::string error;
    if (*c.fault) {
        ASSERT_TRUE(faults.add(c.fault, error)) << error;
    }
    if (c.stuckByte)
        faults.stuckBytes.push_back(*c.stuckByte);
    model.setFaults(faults);

    int words = 0;
    const RestoreOutcome out = ParameterRestore::run(
        plan, image, writer, clock, [&](int position, int) { words = position; }, [&] { return readBack(); }, '.',
        [&] { return c.stopAfterWords >= 0 && words >= c.stopAfterWords; });

    EXPECT_EQ(out.ok, c.ok) << out.report;
    EXPECT_EQ(eepromHolds(c.saved ? plan.target : before), true) << out.report;
    const bool memoryIsEeprom = std::memcmp(model.memory().bytes().data(), model.eeprom().bytes().data(), 512) == 0;
    EXPECT_EQ(memoryIsEeprom, c.memoryIsEeprom) << out.report;
    EXPECT_EQ(out.rolledBack, !c.saved && c.memoryIsEeprom) << out.report;
    EXPECT_NE(out.report.find(c.reportHas), std::string::npos) << out.report;
    if (!c.saved) {
        EXPECT_NE(out.report.find("Nothing was saved"), std::string::npos) << out.report;
    }
}

// The window's report speaks the window's language and names what the
// technician sees; a script's report keeps English and the files' field names.
class RestoreReportWords : public RestoreOutage {};

TEST_F(RestoreReportWords, WindowReportUsesTheLanguageAndLabelsScriptsKeepFieldNames)
{
    ASSERT_TRUE(readBack());
    const ParameterImage before = image;
    ParameterFile file;
    file.image = before;
    file.image.setWord(50, static_cast<uint16_t>(before.word(50) ^ 0x0101));
    file.info.serialNumber = before.serialNumber();
    const RestorePlan plan = ParameterRestore::plan(before, {before.serialNumber(), 0, 0, 0}, file, false);
    sim::FaultSet faults;
    faults.stuckBytes.push_back(2 * 50); // a worn cell: the restore gives up and lists it
    model.setFaults(faults);
    const ParameterLabels german([](int key) -> std::string {
        if (key == 102745)
            return "Abbruch nach %1 Rücklesungen, %2 Werte abweichend:";
        if (key == 102735)
            return "%1: Gerät %2, Datei %3";
        return {};
    });
    const auto run = [&](const ParameterLabels* labels) {
        image = before;
        return ParameterRestore::run(plan, image, writer, clock, nullptr, [&] { return readBack(); }, '.', {}, {},
                                     labels);
    };

    const RestoreOutcome window = run(&german);
    ASSERT_EQ(window.remaining.size(), 1u) << window.report;
    const FieldChange& c = window.remaining[0];
    ASSERT_NE(c.label, c.name);
    EXPECT_NE(window.report.find("Abbruch nach "), std::string::npos) << window.report;
    EXPECT_NE(window.report.find("\n" + c.label + ": Gerät "), std::string::npos) << window.report;

    const RestoreOutcome script = run(nullptr);
    EXPECT_NE(script.report.find("still differs from the file in 1 values:\n" + c.name + ": controller "),
              std::string::npos)
        << script.report;
}

// Frames counted from the first word: 40 words, 4 page reads, the save, 4 page reads.
INSTANTIATE_TEST_SUITE_P(
    EveryMoment, RestoreOutage,
    ::testing::Values(
        OutageCase{"clean", "", -1, std::nullopt, true, true, true, "now holds the file's values"},
        OutageCase{"traffic lost for a while after word 20", "silence=20:120", -1, std::nullopt, true, true, true,
                   "now holds the file's values"},
        OutageCase{"bus silent for good after word 20", "silence=20", -1, std::nullopt, false, false, false,
                   "did not answer the read back"},
        OutageCase{"adapter pulled after word 20", "pull=20", -1, std::nullopt, false, false, false,
                   "stopped after 20 of 40 words: the line to the controller was lost"},
        OutageCase{"adapter pulled at the read back", "pull=41", -1, std::nullopt, false, false, false,
                   "did not answer the read back"},
        OutageCase{"adapter pulled at the save", "pull=45", -1, std::nullopt, false, true, true,
                   "the EEPROM save was sent"},
        OutageCase{"a worn cell that keeps its value", "", -1, uint16_t{2 * 50}, false, false, true,
                   "still differs from the file in 1 values"},
        OutageCase{"stopped by the technician after 10 words", "", 10, std::nullopt, false, false, true,
                   "was stopped after 10 of 40 words"}),
    [](const ::testing::TestParamInfo<OutageCase>& info) { return std::to_string(info.index); });

// Plain polling needs no outage: a fixture of its own on the same rig.
class RestoreWorkMode : public RestoreOutage {};

TEST_F(RestoreWorkMode, AChangedModeIsSwitchedToOrSaidToWaitForTheNextStart)
{
    for (const bool canSend : {true, false}) {
        ASSERT_TRUE(readBack());
        const ParameterImage before = image;
        ParameterFile file;
        file.image = before;
        const uint8_t mode = static_cast<uint8_t>(before.byte(layout::WorkModeSetting.offset) == 2 ? 3 : 2);
        file.image.setByte(layout::WorkModeSetting.offset, mode);
        file.info.serialNumber = before.serialNumber();
        const RestorePlan plan = ParameterRestore::plan(before, {before.serialNumber(), 0, 0, 0}, file, false);
        std::vector<int> sent;
        const RestoreOutcome out = ParameterRestore::run(
            plan, image, writer, clock, {}, [&] { return readBack(); }, '.', {},
            canSend ? ParameterRestore::SendMode([&](uint8_t m) {
                sent.push_back(m);
                return true;
            })
                    : ParameterRestore::SendMode());
        ASSERT_TRUE(out.ok) << out.report;
        EXPECT_EQ(sent, canSend ? std::vector<int>{mode} : std::vector<int>{});
        const std::string said = canSend ? "It was switched to the file's work mode " + std::to_string(mode) + "."
                                         : "The file's work mode " + std::to_string(mode)
                                               + " takes effect when the controller is next switched on.";
        EXPECT_NE(out.report.find(said), std::string::npos) << out.report;
        // Back to where it was, for the second round.
        file.image = before;
        const RestorePlan back = ParameterRestore::plan(image, {before.serialNumber(), 0, 0, 0}, file, false);
        ASSERT_TRUE(ParameterRestore::run(back, image, writer, clock, {}, [&] { return readBack(); }, '.').ok);
    }
}

} // namespace
} // namespace kdx::test

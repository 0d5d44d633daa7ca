// Parameter files end to end: the real serial line against kdx-sim on a
// pseudo-terminal with its EEPROM in a file, frames traced by kdx-sim.
#include "support/TraceLine.h"
#include "support/FindControl.h"
#include "PtyRig.h"

#include "params/ParameterFile.h"
#include "widgets/StringGrid.h"

#include <QAction>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <filesystem>
#include <iterator>

using namespace kdx;
using namespace kdx::test;

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Data bytes of the frames kdx-sim received that write or save parameters
// (D1 .., C1/C2 .., E1 ..).
std::vector<std::string> writeFrames(const std::vector<std::string>& lines)
{
    std::vector<std::string> out;
    for (const auto& l : lines) {
        const auto hex = kdx::test::pcFrameHex(l);
        if (!hex)
            continue;
        const std::string& frame = *hex;
        for (const char* code : {"D1 ", "C1 ", "C2 ", "E1 "})
            if (frame.rfind(code, 0) == 0)
                out.push_back(frame);
    }
    return out;
}

std::vector<uint8_t> withoutLog(const std::string& bytes)
{
    std::vector<uint8_t> out(bytes.begin(), bytes.end());
    if (out.size() == 512)
        std::fill(out.begin() + 24, out.begin() + 72, 0);
    return out;
}

} // namespace

TEST(ParameterFilesEndToEnd, SaveResetLoadRestoresTheEepromWithOnlyTheDifferingWords)
{
    KDX_REQUIRE_SIM();
    PtyScratch files;
    const std::string eeprom = files.path + "/eeprom.bin";
    const std::string link = files.path + "/ttyKDX";
    SimProcess sim({"--eeprom", eeprom, "--link", link, "--trace"});
    ASSERT_FALSE(sim.ptyPath().empty());
    PtyAppRig rig(link);
    rig.window->AutoConnect1Click();
    ASSERT_TRUE(rig.context.state.connected);

    // Several fields and map cells, as the technician enters them.
    auto enter = [&](const char* name, const char* text) {
        auto* edit = rig.control<QLineEdit>(name);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    };
    enter("EditGeneralDelay", "42");
    enter("EditMaxHum", "88.5");
    enter("EditAutoMinTemp", "-3.5");
    auto* trig = rig.control<StringGrid>("StringGridManualTrigMap");
    for (auto [column, row, text] : {std::tuple{1, 3, "2.5"}, std::tuple{4, 20, "7"}}) {
        trig->setCurrentCell(row, column);
        emit trig->cellClicked(row, column);
        trig->setCell(column, row, text);
        QTest::keyClick(trig, Qt::Key_Return);
    }
    QTest::qWait(2600); // the deferred save
    (void)sim.linesSoFar();
    ASSERT_EQ(static_cast<unsigned char>(readFile(eeprom)[374]), 42);

    const std::string saved = files.path + "/parametry/vehicle.kdx";
    rig.prompts.saveAnswers.push_back(saved);
    findControl<QAction>(*rig.window, "SaveToDisc1")->trigger();
    EXPECT_TRUE(writeFrames(sim.linesSoFar()).empty()) << "saving sends nothing";
    const ParameterFileRead file = ParameterFileFormat::read(readFile(saved));
    ASSERT_TRUE(file.ok()) << file.error;
    EXPECT_EQ(withoutLog(readFile(eeprom)), withoutLog(std::string(file.file->image.data(), file.file->image.data() + 512)));

    rig.window->ButtonSetDefaultClick();
    ASSERT_TRUE(rig.context.state.connected);
    const std::string afterReset = readFile(eeprom);
    ASSERT_EQ(static_cast<unsigned char>(afterReset[374]), 5);
    ASSERT_EQ(static_cast<unsigned char>(afterReset[7]), 0xAF);
    (void)sim.linesSoFar();

    rig.prompts.messages.clear();
    rig.prompts.openAnswers.push_back(saved);
    findControl<QAction>(*rig.window, "Open1")->trigger();
    rig.window->timer1()->stop();
    ASSERT_FALSE(rig.prompts.messages.empty());
    EXPECT_EQ(rig.prompts.messages.back().rfind("The controller now holds the file's values", 0), 0u)
        << rig.prompts.messages.back();

    const std::string restored = readFile(eeprom);
    const std::string want(file.file->image.data(), file.file->image.data() + 512);
    EXPECT_EQ(withoutLog(restored), withoutLog(want));
    // On the wire: exactly the words that differed after the reset, in
    // ascending order, then one save.
    std::vector<std::string> expected;
    for (unsigned w = 0; w < 256; ++w) {
        if (w >= 12 && w <= 35)
            continue;
        const auto lo = [&](const std::string& s) { return static_cast<uint8_t>(s[2 * w]); };
        const auto hi = [&](const std::string& s) { return static_cast<uint8_t>(s[2 * w + 1]); };
        if (lo(afterReset) == lo(want) && hi(afterReset) == hi(want))
            continue;
        char frame[32];
        std::snprintf(frame, sizeof frame, "D1 %02X %02X %02X", w, hi(want), lo(want));
        expected.push_back(frame);
    }
    ASSERT_FALSE(expected.empty());
    std::vector<std::string> sent;
    for (const auto& f : writeFrames(sim.linesSoFar()))
        sent.push_back(f.substr(0, 11));
    expected.push_back("E1 00 00 00");
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(rig.control<QLineEdit>("EditGeneralDelay")->text(), "42");
    EXPECT_EQ(rig.control<QLineEdit>("EditMaxHum")->text(), "88.5");
}

TEST(ParameterFilesEndToEnd, UpgradeWithTheSampleFileBacksUpAndRestoresTheParameters)
{
    KDX_REQUIRE_SIM();
    PtyScratch files;
    const std::string eeprom = files.path + "/eeprom.bin";
    const std::string link = files.path + "/ttyKDX";
    SimProcess sim({"--eeprom", eeprom, "--link", link});
    ASSERT_FALSE(sim.ptyPath().empty());
    PtyAppRig rig(link);
    rig.window->AutoConnect1Click();
    ASSERT_TRUE(rig.context.state.connected);
    auto* delay = rig.control<QLineEdit>("EditGeneralDelay");
    delay->setFocus();
    delay->selectAll();
    QTest::keyClicks(delay, "61");
    QTest::keyClick(delay, Qt::Key_Return);
    QTest::qWait(2600); // the deferred save
    const std::string before = readFile(eeprom);
    ASSERT_EQ(static_cast<unsigned char>(before[374]), 61);

    rig.prompts.messages.clear();
    rig.prompts.fileAnswers.push_back(std::string(KDX_SOURCE_DIR) + "/Firmware/demo.hex");
    rig.window->ButtonFirmwareClick();
    rig.window->timer1()->stop();

    EXPECT_EQ(rig.context.state.softwareRevision, 98);
    std::vector<std::string> backups;
    for (const auto& e : std::filesystem::directory_iterator(rig.window->parameterFolder().toStdString()))
        backups.push_back(e.path().filename().string());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_NE(backups[0].find("_before-upgrade.kdx"), std::string::npos) << backups[0];
    const auto& m = rig.prompts.messages;
    ASSERT_GE(m.size(), 3u);
    EXPECT_EQ(m[0], "NEW ECU, PARAMETERS RESET !");
    EXPECT_EQ(m[1].rfind("Restore parameters: ", 0), 0u) << m[1];
    EXPECT_EQ(m.back().rfind("The controller now holds the file's values", 0), 0u) << m.back();
    ASSERT_EQ(rig.prompts.differences.size(), 1u);
    EXPECT_FALSE(rig.prompts.differences[0].warnings.empty()) << "the version changed";
    EXPECT_EQ(withoutLog(readFile(eeprom)), withoutLog(before));
    EXPECT_EQ(delay->text(), "61");
}

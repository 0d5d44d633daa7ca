// Parameter files through the window against the built-in simulated
// controller on virtual time: Save To Disk, Load to ECU, the compare items,
// the backups before RESET PARAMETERS! and a firmware upgrade.
#include "AppTestSupport.h"
#include "support/FindControl.h"
#include "live/Tone.h"
#include "params/ParameterDefaults.h"
#include "params/ParameterFile.h"
#include "sim/ControllerModel.h"
#include "sim/SimulatedLine.h"
#include "widgets/StringGrid.h"

#include <QAction>
#include <QLineEdit>
#include <QLocale>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

using namespace kdx;
using namespace kdx::test;
namespace fs = std::filesystem;

namespace {

struct FilesRig {
    FilesRig()
        : dir(fs::temp_directory_path() / ("kdx-files-" + std::to_string(::getpid()) + "-" + std::to_string(++count))),
          demo(model, clock), context(demo, clock, prompts, discovery, demoOptions())
    {
        fs::create_directories(dir);
        previous = fs::current_path();
        fs::current_path(dir);
        appForTests();
        QLocale::setDefault(QLocale::c());
        window = std::make_unique<MainWindow>(context, tone, std::vector<std::string>{KDX_SOURCE_DIR});
        model.setTraceSink([this](const sim::ControllerModel::TraceEvent& e) {
            if (e.direction == sim::ControllerModel::TraceEvent::Direction::Received)
                received.push_back(e.bytes);
        });
    }
    ~FilesRig()
    {
        window.reset();
        fs::current_path(previous);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    void connect()
    {
        window->AutoConnect1Click();
        ASSERT_TRUE(context.state.connected);
    }
    void ticks(int n) { runTicks(clock, *window, n); }
    // Frames the controller received that change its memory or save it.
    std::vector<std::vector<uint8_t>> writes() const
    {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& f : received)
            if (!f.empty() && (f[0] == 0xD1 || f[0] == 0xC1 || f[0] == 0xC2 || f[0] == 0xE1))
                out.push_back(f);
        return out;
    }
    std::string parametry() const { return (dir / "parametry").string(); }
    std::vector<std::string> filesIn(const std::string& folder) const
    {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(folder, ec))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    void editGeneralDelay(const char* text)
    {
        auto* edit = findControl<QLineEdit>(*window, "EditGeneralDelay");
        edit->setFocus();
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    void editTrigCell(int column, int row, const char* text)
    {
        auto* grid = findControl<StringGrid>(*window, "StringGridManualTrigMap");
        grid->setCurrentCell(row, column);
        emit grid->cellClicked(row, column);
        grid->setCell(column, row, text);
        QTest::keyClick(grid, Qt::Key_Return);
    }
    void trigger(const char* action) { findControl<QAction>(*window, action)->trigger(); }

    static inline int count = 0;
    fs::path dir;
    fs::path previous;
    TestClock clock;
    sim::ControllerModel model;
    sim::SimulatedLine demo;
    RecordingPrompts prompts;
    NoPorts discovery;
    QuietTone tone;
    AppContext context;
    std::unique_ptr<MainWindow> window;
    std::vector<std::vector<uint8_t>> received;
};

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool hasPrefix(const std::vector<std::string>& texts, const std::string& prefix)
{
    for (const auto& t : texts)
        if (t.rfind(prefix, 0) == 0)
            return true;
    return false;
}

// The image bytes without the connection log (bytes 24..71).
std::vector<uint8_t> withoutLog(const uint8_t* bytes)
{
    std::vector<uint8_t> out(bytes, bytes + 512);
    std::fill(out.begin() + 24, out.begin() + 72, 0);
    return out;
}

} // namespace

TEST(ParameterFiles, SaveToDiskWritesTheReadImageAndSendsNothing)
{
    FilesRig rig;
    rig.trigger("SaveToDisc1");
    ASSERT_EQ(rig.prompts.messages.size(), 1u);
    EXPECT_NE(rig.prompts.messages[0].find("connect to the controller first"), std::string::npos);
    EXPECT_TRUE(rig.prompts.proposedNames.empty()) << "no dialog before a read";

    rig.connect();
    rig.prompts.messages.clear();
    rig.received.clear();
    const std::string path = rig.parametry() + "/mine.kdx";
    rig.prompts.saveAnswers.push_back(path);
    rig.trigger("SaveToDisc1");
    ASSERT_EQ(rig.prompts.proposedNames.size(), 1u);
    EXPECT_EQ(rig.prompts.proposedNames[0].rfind("KDX_0001E240_20", 0), 0u) << rig.prompts.proposedNames[0];
    EXPECT_EQ(rig.prompts.dialogFolders.back(), rig.parametry());
    EXPECT_TRUE(rig.prompts.messages.empty());
    EXPECT_TRUE(rig.received.empty()) << "nothing goes to the controller";
    const ParameterFileRead r = ParameterFileFormat::read(readText(path));
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.file->image, rig.context.session.image());
    EXPECT_EQ(r.file->info.serialNumber, 0x0001E240u);
    EXPECT_EQ(r.file->info.programVersion, "kdx 1.097");

    // Cancelled: no file.
    rig.trigger("SaveToDisc1");
    EXPECT_EQ(rig.filesIn(rig.parametry()), (std::vector<std::string>{"mine.kdx"}));
}

TEST(ParameterFiles, ResetAsksFirstNamesItsBackupAndCancelSendsNothing)
{
    FilesRig rig;
    rig.connect();
    rig.received.clear();
    const ParameterImage before = rig.context.session.image();
    rig.prompts.okCancelAnswer = false;
    rig.window->ButtonSetDefaultClick();
    EXPECT_TRUE(rig.received.empty());
    EXPECT_EQ(rig.context.session.image(), before);
    ASSERT_EQ(rig.prompts.messages.size(), 1u);
    const std::string& box = rig.prompts.messages[0];
    EXPECT_EQ(box.rfind("RESET PARAMETERS!: ", 0), 0u) << box;
    EXPECT_NE(box.find("0xAFFFFFFF"), std::string::npos);
    const auto files = rig.filesIn(rig.parametry());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_NE(files[0].find("KDX_0001E240_"), std::string::npos);
    EXPECT_NE(files[0].find("_before-reset.kdx"), std::string::npos);
    EXPECT_NE(box.find(files[0]), std::string::npos) << "the box names the backup";
    EXPECT_EQ(ParameterFileFormat::read(readText(rig.parametry() + "/" + files[0])).file->image, before);
    EXPECT_EQ(rig.prompts.cancelDefaultCaptions, std::vector<std::string>{"RESET PARAMETERS!"})
        << "Enter does not reset";
    rig.prompts.cancelDefaultCaptions.clear();

    // A backup that cannot be written stops the reset unless the technician goes on.
    fs::remove_all(rig.parametry());
    std::ofstream(rig.parametry()) << "not a folder";
    rig.prompts.messages.clear();
    rig.window->ButtonSetDefaultClick();
    ASSERT_EQ(rig.prompts.messages.size(), 1u);
    EXPECT_EQ(rig.prompts.messages[0].rfind("Backup failed: ", 0), 0u) << rig.prompts.messages[0];
    std::error_code cause;
    fs::create_directories(rig.parametry(), cause);
    EXPECT_NE(rig.prompts.messages[0].find(": " + cause.message() + "\nGo on without a backup?"), std::string::npos)
        << "the folder's own failure is named: " << rig.prompts.messages[0];
    EXPECT_EQ(rig.prompts.cancelDefaultCaptions, std::vector<std::string>{"Backup failed"})
        << "Enter does not go on without a backup";
    EXPECT_TRUE(rig.received.empty());
}

TEST(ParameterFiles, SaveResetLoadBringsEveryValueBackWithOnlyTheDifferingWords)
{
    FilesRig rig;
    rig.connect();
    rig.editGeneralDelay("42");
    rig.editTrigCell(1, 3, "2.5");
    rig.editTrigCell(4, 20, "7");
    rig.ticks(60); // the deferred save
    const std::string saved = rig.parametry() + "/vehicle.kdx";
    rig.prompts.saveAnswers.push_back(saved);
    rig.trigger("SaveToDisc1");
    const ParameterImage savedImage = ParameterFileFormat::read(readText(saved)).file->image;
    ASSERT_EQ(savedImage.word(187), 42);

    rig.window->ButtonSetDefaultClick(); // confirmed (the recording answers OK)
    ASSERT_EQ(rig.model.eeprom().wordAt(374), 5);
    ASSERT_EQ(rig.model.eeprom().dwordAt(4), 0xAFFFFFFFu);
    const ParameterImage reset = rig.context.session.image();

    rig.prompts.messages.clear();
    rig.received.clear();
    rig.prompts.openAnswers.push_back(saved);
    rig.trigger("Open1");

    // The blank serial number is given back only after its own question.
    ASSERT_GE(rig.prompts.messages.size(), 2u);
    EXPECT_EQ(rig.prompts.messages[0].rfind("Serial number: ", 0), 0u) << rig.prompts.messages[0];
    ASSERT_EQ(rig.prompts.differences.size(), 1u);
    const DifferenceView& view = rig.prompts.differences[0];
    EXPECT_TRUE(view.askToWrite);
    std::vector<std::string> names;
    for (const auto& row : view.rows)
        names.push_back(row.name);
    EXPECT_NE(std::find(names.begin(), names.end(), "GeneralDelay"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "SerialNumber"), names.end());
    ASSERT_FALSE(view.grids.empty());
    EXPECT_TRUE(view.grids[0].rows[2][0].changed);
    EXPECT_EQ(view.grids[0].rows[2][0].right, "2.5");
    EXPECT_TRUE(view.grids[0].rows[19][3].changed);

    EXPECT_EQ(rig.prompts.messages.back().rfind("The controller now holds the file's values", 0), 0u)
        << rig.prompts.messages.back();
    EXPECT_EQ(withoutLog(rig.model.eeprom().bytes().data()), withoutLog(savedImage.data()));
    // Only the words that differed went out, then one save; then the read back.
    size_t differing = 0;
    for (unsigned w = 0; w < 256; ++w)
        differing += (w < 12 || w > 35) && reset.word(w) != savedImage.word(w);
    const auto frames = rig.writes();
    ASSERT_EQ(frames.size(), differing + 1);
    for (size_t i = 0; i + 1 < frames.size(); ++i) {
        EXPECT_EQ(frames[i][0], 0xD1);
        EXPECT_FALSE(frames[i][1] >= 12 && frames[i][1] <= 35) << "log word " << int(frames[i][1]);
    }
    EXPECT_EQ(frames.back()[0], 0xE1);
    EXPECT_EQ(findControl<QLineEdit>(*rig.window, "EditGeneralDelay")->text(), "42");
}

TEST(ParameterFiles, DamagedTruncatedAndForeignFilesAreRefusedWithNothingSent)
{
    FilesRig rig;
    rig.connect();
    const std::string good = rig.parametry() + "/good.kdx";
    rig.prompts.saveAnswers.push_back(good);
    rig.trigger("SaveToDisc1");
    const std::string text = readText(good);
    ASSERT_FALSE(text.empty());

    std::string damaged = text;
    char& digit = damaged[damaged.find("image 180 = ") + 12];
    digit = digit == '7' ? '8' : '7';
    const struct {
        const char* name;
        std::string content;
        const char* reason;
    } cases[] = {
        {"damaged.kdx", damaged, "checksum does not match"},
        {"truncated.kdx", text.substr(0, text.size() / 2), "truncated"},
        {"foreign.kdx", "[Settings]\r\nDelay=5\r\n", "first line"},
        {"binary.kdx", std::string("PK\x03\x04\0\0", 6), "control characters"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = rig.parametry() + "/" + c.name;
        std::ofstream(path, std::ios::binary) << c.content;
        rig.prompts.messages.clear();
        rig.prompts.differences.clear();
        rig.received.clear();
        rig.prompts.openAnswers.push_back(path);
        rig.trigger("Open1");
        ASSERT_EQ(rig.prompts.messages.size(), 1u);
        EXPECT_NE(rig.prompts.messages[0].find(c.reason), std::string::npos) << rig.prompts.messages[0];
        EXPECT_NE(rig.prompts.messages[0].find("Nothing was sent"), std::string::npos);
        EXPECT_TRUE(rig.prompts.differences.empty());
        EXPECT_TRUE(rig.received.empty());
    }

    // A sound file of another controller and version: warned, and Cancel in
    // the difference view sends nothing.
    ParameterFile other = *ParameterFileFormat::read(text).file;
    other.image.set(layout::SerialNumber, 0x00C0FFEE);
    other.image.set(layout::GeneralDelay, 9);
    other.info.serialNumber = 0x00C0FFEE;
    other.info.softwareRevision = 7;
    const std::string otherPath = rig.parametry() + "/other.kdx";
    std::ofstream(otherPath, std::ios::binary) << ParameterFileFormat::write(other);
    rig.prompts.messages.clear();
    rig.received.clear();
    rig.prompts.differenceAnswer = false;
    rig.prompts.openAnswers.push_back(otherPath);
    rig.trigger("Open1");
    ASSERT_EQ(rig.prompts.differences.size(), 1u);
    const DifferenceView& v = rig.prompts.differences[0];
    ASSERT_EQ(v.warnings.size(), 2u);
    EXPECT_NE(v.warnings[0].find("another controller"), std::string::npos);
    EXPECT_NE(v.warnings[1].find("software 1.7"), std::string::npos) << v.warnings[1];
    ASSERT_EQ(v.rows.size(), 1u) << "the serial number is not taken from the file";
    EXPECT_EQ(v.rows[0].name, "GeneralDelay");
    EXPECT_TRUE(rig.received.empty());
    EXPECT_TRUE(rig.prompts.messages.empty());
}

TEST(ParameterFiles, UpgradeBacksUpFirstAndOffersToRestoreTheResetParameters)
{
    FilesRig rig;
    rig.connect();
    rig.editGeneralDelay("33");
    rig.ticks(60);
    const ParameterImage before = rig.context.session.image();
    rig.prompts.messages.clear();
    rig.prompts.fileAnswers.push_back(std::string(KDX_SOURCE_DIR) + "/Firmware/demo.hex");
    rig.window->ButtonFirmwareClick();

    const auto files = rig.filesIn(rig.parametry());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_NE(files[0].find("_before-upgrade.kdx"), std::string::npos);
    const auto backup = ParameterFileFormat::read(readText(rig.parametry() + "/" + files[0]));
    ASSERT_TRUE(backup.ok()) << backup.error;
    EXPECT_EQ(backup.file->image, before);

    // The marker message once, then the offer, the view (with the version
    // warning, and none about the serial number the upgrade blanked: the
    // backup is this controller's own) and the report.
    const auto& m = rig.prompts.messages;
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0], "NEW ECU, PARAMETERS RESET !");
    EXPECT_EQ(m[1].rfind("Restore parameters: ", 0), 0u) << m[1];
    EXPECT_NE(m[1].find(files[0]), std::string::npos);
    EXPECT_EQ(std::count_if(m.begin(), m.end(), [](const std::string& t) { return t.rfind("Serial number: ", 0) == 0; }),
              0);
    EXPECT_EQ(m.back().rfind("The controller now holds the file's values", 0), 0u) << m.back();
    EXPECT_EQ(std::count(m.begin(), m.end(), "NEW ECU, PARAMETERS RESET !"), 1);
    ASSERT_EQ(rig.prompts.differences.size(), 1u);
    EXPECT_TRUE(hasPrefix(rig.prompts.differences[0].warnings, "The file was saved from hardware 1, software 1.0"));
    EXPECT_FALSE(hasPrefix(rig.prompts.differences[0].warnings, "The file was saved from another controller"));
    EXPECT_FALSE(hasPrefix(rig.prompts.differences[0].warnings, "This controller holds the blank serial number"));
    EXPECT_EQ(rig.context.state.softwareRevision, 98);
    EXPECT_EQ(withoutLog(rig.model.eeprom().bytes().data()), withoutLog(before.data()));
    EXPECT_EQ(findControl<QLineEdit>(*rig.window, "EditGeneralDelay")->text(), "33");
}

TEST(ParameterFiles, NewEcuMessageOnlyOnceAfterTheReadThatFindsIt)
{
    FilesRig rig;
    rig.connect();
    rig.model.memory().setWordAt(0, 0x1234); // parameters lost behind the tool's back
    rig.window->ButtonReadParClick();
    EXPECT_EQ(rig.prompts.messages, (std::vector<std::string>{"NEW ECU, PARAMETERS RESET !"}));
    rig.window->ButtonWyswParClick();
    rig.window->English1Click();
    rig.window->ButtonReadParClick(); // the same controller read again
    EXPECT_EQ(rig.prompts.messages.size(), 1u);
    // Initialised again, then lost again: the message is due again.
    rig.model.memory().setWordAt(0, 0xAAAA);
    rig.window->ButtonReadParClick();
    rig.model.memory().setWordAt(0, 0);
    rig.window->ButtonReadParClick();
    EXPECT_EQ(rig.prompts.messages.size(), 2u);
}

TEST(ParameterFiles, CompareFilesAndDefaultsWithoutWriting)
{
    FilesRig rig;
    ParameterFile a;
    ParameterDefaults::apply(a.image);
    a.info = {a.image.serialNumber(), 1, 1, 0, "kdx 1.097", "2026-12-08 10:00:00 UTC", ""};
    ParameterFile b = a;
    b.image.set(layout::MaxHum, 880);
    b.image.set(layout::AutoPumpOnTime, 45, 2);
    const std::string pa = rig.parametry() + "/a.kdx", pb = rig.parametry() + "/b.kdx";
    fs::create_directories(rig.parametry());
    std::ofstream(pa) << ParameterFileFormat::write(a);
    std::ofstream(pb) << ParameterFileFormat::write(b);
    rig.prompts.openAnswers = {pa, pb};
    rig.trigger("CompareFiles1"); // no controller needed
    ASSERT_EQ(rig.prompts.differences.size(), 1u);
    const DifferenceView& v = rig.prompts.differences[0];
    EXPECT_FALSE(v.askToWrite);
    EXPECT_EQ(v.changeCount, 2u);
    ASSERT_EQ(v.rows.size(), 1u);
    EXPECT_EQ(v.rows[0].name, "MaxHum");
    EXPECT_EQ(v.rows[0].left, "97.0 %");
    EXPECT_EQ(v.rows[0].right, "88.0 %");
    ASSERT_EQ(v.grids.size(), 1u);
    EXPECT_TRUE(v.grids[0].rows[2][0].changed);
    EXPECT_EQ(rig.prompts.openCaptions, (std::vector<std::string>{"Compare: first file", "Compare: second file"}));

    rig.connect();
    rig.received.clear();
    rig.trigger("CompareDefaults1");
    ASSERT_EQ(rig.prompts.differences.size(), 2u);
    const DifferenceView& d = rig.prompts.differences[1];
    EXPECT_FALSE(d.askToWrite);
    std::vector<std::string> names;
    for (const auto& row : d.rows)
        names.push_back(row.name);
    // The demo controller runs in automatic mode with both pumps active.
    EXPECT_NE(std::find(names.begin(), names.end(), "SerialNumber"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "WorkModeSetting"), names.end());
    EXPECT_TRUE(rig.writes().empty());
}

TEST(ParameterFiles, UpgradeStopsWithNothingSentWhenItsBackupFailsAndTheTechnicianCancels)
{
    FilesRig rig;
    rig.connect();
    std::ofstream(rig.parametry()) << "a file where the folder should be";
    rig.received.clear();
    rig.prompts.messages.clear();
    rig.prompts.okCancelAnswer = false;
    rig.prompts.fileAnswers.push_back(std::string(KDX_SOURCE_DIR) + "/Firmware/demo.hex");
    rig.window->ButtonFirmwareClick();
    ASSERT_EQ(rig.prompts.messages.size(), 1u);
    EXPECT_EQ(rig.prompts.messages[0].rfind("Backup failed: The backup before the firmware upgrade", 0), 0u)
        << rig.prompts.messages[0];
    EXPECT_TRUE(rig.received.empty()) << "not even the boot command";
    EXPECT_TRUE(rig.context.state.connected);
    EXPECT_EQ(rig.context.state.softwareRevision, 0);
}

TEST(ParameterFiles, QuestionsAndStatusLinesSpeakTheChosenLanguage)
{
    FilesRig rig;
    rig.window->Polski1Click();
    // Before a read: the refusal names the menu item as the Polish menu shows it.
    rig.trigger("SaveToDisc1");
    ASSERT_EQ(rig.prompts.messages.size(), 1u);
    EXPECT_EQ(rig.prompts.messages[0], "Zapisz na dysk: najpierw po\xC5\x82\xC4\x85" "cz si\xC4\x99 ze sterownikiem "
                                       "(CONNECT); jego parametry nie zosta\xC5\x82y odczytane.");

    // The question names the reset as its button does.
    rig.connect();
    rig.prompts.messages.clear();
    rig.prompts.okCancelAnswer = false;
    rig.window->ButtonSetDefaultClick();
    ASSERT_EQ(rig.prompts.messages.size(), 1u);
    const std::string& box = rig.prompts.messages[0];
    const std::string button = "PRZYWR\xC3\x93\xC4\x86 PARAMETRY!";
    EXPECT_EQ(box.rfind(button + ": " + button + " zast\xC4\x99puje", 0), 0u) << box;
    EXPECT_NE(box.find("Obecne parametry zapisano do "), std::string::npos) << box;
    EXPECT_NE(box.find("\nZresetowa\xC4\x87 parametry teraz?"), std::string::npos) << box;
}

#include "LinkFixture.h"

#include "params/ParameterDefaults.h"
#include "params/ParameterDiff.h"
#include "params/ParameterFile.h"
#include "params/ParameterFileStore.h"
#include "params/ParameterRestore.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace kdx::test {
namespace {

ParameterFile sampleFile()
{
    ParameterFile f;
    for (size_t i = 0; i < f.image.size(); ++i)
        f.image.setByte(i, static_cast<uint8_t>(i * 7 + 3));
    ParameterDefaults::apply(f.image);
    f.image.set(layout::SerialNumber, 0x0001E240);
    f.image.set(layout::GeneralDelay, 42);
    f.image.set(layout::AutoMinTemp, -50);
    f.info = {0x0001E240, 1, 1, 0, "kdx 1.097", "2026-12-08 12:47:34 UTC", "manual"};
    return f;
}

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

TEST(ParameterFileFormat, RoundTripKeepsEveryByteAndTheOrigin)
{
    const ParameterFile f = sampleFile();
    const std::string text = ParameterFileFormat::write(f);
    const ParameterFileRead r = ParameterFileFormat::read(text);
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.file->image, f.image);
    EXPECT_EQ(r.file->info.serialNumber, 0x0001E240u);
    EXPECT_EQ(r.file->info.hardwareVersion, 1);
    EXPECT_EQ(r.file->info.softwareRevision, 0);
    EXPECT_EQ(r.file->info.programVersion, "kdx 1.097");
    EXPECT_EQ(r.file->info.savedUtc, "2026-12-08 12:47:34 UTC");
    EXPECT_EQ(r.file->info.reason, "manual");

    // A person reads the fields in the editors' units.
    for (const char* line : {"field GeneralDelay = 42 s\n", "field AutoMinTemp = -5.0 degC\n",
                             "field MinLevH = 0.50 V\n", "field SerialNumber = 0x0001E240\n",
                             "field ManualTrigP1Toff[23] = 20.0 s\n", "field AnKompSett = 6.04 V\n",
                             "field FuelType = 0 (gasoline 12V)\n", "field ImageMarker = 0xAAAA\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    // Windows line ends read the same.
    std::string crlf;
    for (char c : text)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const ParameterFileRead r2 = ParameterFileFormat::read(crlf);
    ASSERT_TRUE(r2.ok()) << r2.error;
    EXPECT_EQ(r2.file->image, f.image);
}

TEST(ParameterFileFormat, RefusesDamagedTruncatedAndForeignTextWithAReason)
{
    const std::string good = ParameterFileFormat::write(sampleFile());
    const size_t imageAt = good.find("image 000 = ");
    ASSERT_NE(imageAt, std::string::npos);
    std::string flipped = good;
    std::string notHex = good;
    notHex[imageAt + 12] = 'G';
    flipped[imageAt + 12] = flipped[imageAt + 12] == '0' ? '1' : '0';

    const struct {
        const char* what;
        std::string text;
        const char* reason;
    } cases[] = {
        {"one image digit changed", flipped, "checksum does not match"},
        {"cut after three image lines", good.substr(0, imageAt + 3 * 77), "ends before its checksum"},
        {"cut inside an image line", good.substr(0, imageAt + 100), "32 bytes"},
        {"cut before end", good.substr(0, good.rfind("end")), "ends before \"end\""},
        {"empty", "", "empty"},
        {"another program's text", "[Settings]\nDelay=5\n", "first line"},
        {"binary image", std::string(512, '\0'), "control characters"},
        {"line missing", replaced(good, good.substr(imageAt, 77), ""), "image is incomplete"},
        {"line repeated", replaced(good, "image 020 = ", "image 000 = "), "repeated"},
        {"odd offset", replaced(good, "image 020 = ", "image 021 = "), "bad image offset"},
        {"offset past the image", replaced(good, "image 020 = ", "image 200 = "), "bad image offset"},
        {"short image line", replaced(good, good.substr(imageAt + 12, 64), "00"), "32 bytes"},
        {"not hex", notHex, "not a hex digit"},
        {"unknown field", replaced(good, "field GeneralDelay", "field GeneralDelays"), "unknown field"},
        {"entry past the field", replaced(good, "field LogDate[7]", "field LogDate[8]"), "unknown field"},
        {"field edited by hand", replaced(good, "field GeneralDelay = 42 s", "field GeneralDelay = 7 s"),
         "field GeneralDelay = 7 s disagrees with the image, which holds 42 s"},
        {"field line repeated", replaced(good, "field GeneralDelay = 42 s\n", "field GeneralDelay = 42 s\nfield GeneralDelay = 42 s\n"),
         "\"GeneralDelay\" repeated"},
        {"field line missing", replaced(good, "field GeneralDelay = 42 s\n", ""), "field line for GeneralDelay is missing"},
        {"unknown entry", replaced(good, "program = ", "colour = blue\nprogram = "), "unknown entry"},
        {"serial not the image's", replaced(good, "serial = 0x0001E240", "serial = 0x0001E241"),
         "not the image's"},
        {"no serial", replaced(good, "serial = 0x0001E240\n", ""), "missing"},
        {"version too big", replaced(good, "hardware = 1", "hardware = 256"), "hardware"},
        {"text after end", good + "image 000 = 00\n", "after \"end\""},
        {"too long", good + "#" + std::string(ParameterFileFormat::kMaxFileBytes, 'x'), "larger than"},
        {"long line", replaced(good, "reason = manual", "reason = " + std::string(600, 'x')), "too long"},
    };
    for (const auto& c : cases) {
        const ParameterFileRead r = ParameterFileFormat::read(c.text);
        EXPECT_FALSE(r.ok()) << c.what;
        EXPECT_NE(r.error.find(c.reason), std::string::npos) << c.what << ": " << r.error;
        EXPECT_EQ(r.error.rfind("Not a usable parameter file", 0), 0u) << c.what;
    }
}

TEST(ParameterFileFormat, ChecksumAndNames)
{
    const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(ParameterFileFormat::crc32(check, sizeof check), 0xCBF43926u); // the standard check value
    const UtcDateTime t{2026, 12, 8, 9, 5, 7};
    EXPECT_EQ(ParameterFileFormat::timeText(t), "2026-12-08 09:05:07 UTC");
    EXPECT_EQ(ParameterFileFormat::proposedName(0x1E240, t), "KDX_0001E240_2026-12-08.kdx");
    EXPECT_EQ(ParameterFileFormat::proposedName(0xAFFFFFFF, t, "before-reset"),
              "KDX_AFFFFFFF_2026-12-08_090507_before-reset.kdx");
}

TEST(ParameterFileStore, SavesIntoANewFolderReadsBackAndRefusesWhatItCannotUse)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("kdx-store-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    const std::string path = (dir / "parametry" / "a.kdx").string();
    const ParameterFile f = sampleFile();
    EXPECT_EQ(ParameterFileStore::save(path, f), "");
    EXPECT_FALSE(fs::exists(path + ".part"));
    const ParameterFileRead r = ParameterFileStore::load(path);
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.file->image, f.image);

    std::ofstream(path, std::ios::app) << std::string(ParameterFileFormat::kMaxFileBytes, '#');
    EXPECT_NE(ParameterFileStore::load(path).error.find("larger than"), std::string::npos);
    EXPECT_NE(ParameterFileStore::load((dir / "none.kdx").string()).error.find("Could not open"), std::string::npos);
    // A folder where the file's folder should be: the save says why.
    std::ofstream((dir / "blocked").string()) << "x";
    EXPECT_NE(ParameterFileStore::save((dir / "blocked" / "b.kdx").string(), f), "");
    fs::remove_all(dir);
}

TEST(ParameterDiff, ListsExactlyTheChangedFieldsOfAHandMadePair)
{
    const ParameterFile a = sampleFile();
    ParameterFile b = a;
    b.image.set(layout::GeneralDelay, 7);
    b.image.set(layout::ManualTrigP2Ton, 15, 4);
    b.image.set(layout::AutoPumpStopMap, 123, 5); // T 2, H 1
    b.image.set(layout::FuelType, 2);
    b.image.setByte(500, static_cast<uint8_t>(a.image.byte(500) ^ 0xFF));
    b.image.set(layout::ConfigFlags, a.image.raw(layout::ConfigFlags) ^ 0x04);
    // Through the file format, as a technician would compare two files.
    const auto ra = ParameterFileFormat::read(ParameterFileFormat::write(a));
    const auto rb = ParameterFileFormat::read(ParameterFileFormat::write(b));
    ASSERT_TRUE(ra.ok() && rb.ok());

    const auto changes = ParameterDiff::changes(ra.file->image, rb.file->image, '.');
    std::vector<std::string> names;
    for (const auto& c : changes)
        names.push_back(c.name);
    EXPECT_EQ(names, (std::vector<std::string>{"ConfigFlags", "ManualTrigP2Ton[4]", "AutoPumpStopMap[5]",
                                               "GeneralDelay", "FuelType", "byte 500"}));
    EXPECT_EQ(changes[3].left, "42 s");
    EXPECT_EQ(changes[3].right, "7 s");
    EXPECT_EQ(changes[4].right, "2 (diesel 24V)");

    const DifferenceView v = ParameterDiff::view(ra.file->image, rb.file->image, "a", "b", ',');
    EXPECT_EQ(v.changeCount, 6u);
    ASSERT_EQ(v.rows.size(), 4u); // the map cells go to the grids
    ASSERT_EQ(v.grids.size(), 2u);
    EXPECT_EQ(v.grids[0].title.rfind("manual trigger map", 0), 0u);
    const auto& cell = v.grids[0].rows[4][2];
    EXPECT_TRUE(cell.changed);
    EXPECT_EQ(cell.left, "0,0");
    EXPECT_EQ(cell.right, "1,5");
    EXPECT_FALSE(v.grids[0].rows[4][3].changed);
    EXPECT_TRUE(v.grids[1].rows[2][1].changed); // temperature band 2 down, humidity band 1 across
    int changed = 0;
    for (const auto& g : v.grids)
        for (const auto& row : g.rows)
            for (const auto& c : row)
                changed += c.changed;
    EXPECT_EQ(changed, 2);

    EXPECT_TRUE(ParameterDiff::changes(a.image, a.image, '.').empty());
}

// --- the restore procedure over a scripted line ----------------------------------------

class ParameterRestoreTest : public LinkFixture {
protected:
    ParameterRestoreTest()
    {
        file = sampleFile();
        image = file.image;
        // The controller since then: reset to defaults, its log moved on.
        ParameterDefaults::apply(image);
        image.setLogIdentity(0, 0x11223344);
        image.setLogDate(7, 0x5555);
        id = {image.serialNumber(), 1, 1, 0};
    }
    ParameterFile file;
    ControllerIdentity id;
};

TEST_F(ParameterRestoreTest, SendsOnlyTheDifferingWordsKeepsLogAndSerialAndVerifies)
{
    image.set(layout::SerialNumber, 0x0001E240);
    id.serialNumber = 0x0001E240;
    const ParameterImage controller = image;
    const RestorePlan plan = ParameterRestore::plan(controller, id, file, true);
    EXPECT_TRUE(plan.warnings.empty());
    ASSERT_FALSE(plan.words.empty());
    for (unsigned w : plan.words) {
        EXPECT_NE(file.image.word(w), controller.word(w)) << w;
        EXPECT_FALSE(w >= 12 && w <= 35) << "log word " << w;
    }

    // The read back: the controller holds what was sent (the scripted line
    // keeps no memory, so the test plays the controller's part).
    ParameterImage sentState = controller;
    int reads = 0;
    std::vector<std::pair<int, int>> progress;
    const RestoreOutcome out = ParameterRestore::run(
        plan, image, writer, clock, [&](int p, int m) { progress.emplace_back(p, m); },
        [&] {
            ++reads;
            for (const auto& d : sentData())
                if (d[0] == 0xD1)
                    sentState.setWord(d[1], static_cast<uint16_t>((d[2] << 8) | d[3]));
            image = sentState;
            return true;
        },
        '.');
    // Read back before the save (the memory must equal the file) and after it.
    EXPECT_EQ(reads, 2);
    EXPECT_TRUE(out.ok) << out.report;
    EXPECT_NE(out.report.find("now holds the file's values"), std::string::npos);

    const auto frames = sentData();
    ASSERT_EQ(frames.size(), plan.words.size() + 1);
    for (size_t i = 0; i < plan.words.size(); ++i)
        EXPECT_EQ(frames[i], RegisterWriter::wordFrame(file.image, plan.words[i]));
    EXPECT_EQ(frames.back(), (Data{0xE1, 0, 0, 0}));
    EXPECT_EQ(progress.back(), std::make_pair(int(plan.words.size()), int(plan.words.size())));
    for (size_t b = 24; b < 72; ++b)
        EXPECT_EQ(image.byte(b), controller.byte(b)) << "log byte " << b;
}

TEST_F(ParameterRestoreTest, ReportsWhatTheReadBackStillHoldsDifferently)
{
    const RestorePlan plan = ParameterRestore::plan(image, id, file, false);
    const ParameterImage controller = image;
    const RestoreOutcome out = ParameterRestore::run(plan, image, writer, clock, nullptr,
                                                     [&] {
                                                         image = controller; // every write lost
                                                         image.set(layout::GeneralDelay, 5);
                                                         return true;
                                                     },
                                                     '.');
    EXPECT_FALSE(out.ok);
    EXPECT_FALSE(out.saved) << "a memory that differs from the file is never saved";
    EXPECT_NE(out.report.find("GeneralDelay: controller 5 s, file 42 s"), std::string::npos) << out.report;
    for (const auto& frame : sentData())
        EXPECT_NE(frame[0], 0xE1) << "save frame sent";

    image = controller;
    const RestoreOutcome failed = ParameterRestore::run(plan, image, writer, clock, nullptr, [] { return false; }, '.');
    EXPECT_FALSE(failed.ok);
    EXPECT_NE(failed.report.find("did not answer the read back"), std::string::npos) << failed.report;
    EXPECT_FALSE(failed.saved);
}

TEST_F(ParameterRestoreTest, WarnsForAnotherControllerOrVersionAndKeepsItsSerial)
{
    // The controller was reset: it holds the blank serial number.
    ASSERT_TRUE(ParameterRestore::hasBlankSerial(image));
    id.hardwareVersion = 2;
    const RestorePlan keep = ParameterRestore::plan(image, id, file, false);
    EXPECT_EQ(keep.target.serialNumber(), 0xAFFFFFFFu);
    ASSERT_EQ(keep.warnings.size(), 2u);
    EXPECT_NE(keep.warnings[0].find("another controller"), std::string::npos);
    EXPECT_NE(keep.warnings[1].find("hardware 1, software 1.0; this controller has hardware 2"),
              std::string::npos)
        << keep.warnings[1];
    for (unsigned w : keep.words)
        EXPECT_TRUE(w != 2 && w != 3) << "serial word " << w;

    const RestorePlan give = ParameterRestore::plan(image, id, file, true);
    EXPECT_TRUE(give.serialFromFile);
    EXPECT_EQ(give.target.serialNumber(), 0x0001E240u);
    EXPECT_NE(give.warnings[0].find("blank serial number"), std::string::npos);

    // A controller with a serial number of its own never takes the file's.
    image.set(layout::SerialNumber, 0x00ABCDEF);
    id.serialNumber = 0x00ABCDEF;
    const RestorePlan other = ParameterRestore::plan(image, id, file, true);
    EXPECT_FALSE(other.serialFromFile);
    EXPECT_EQ(other.target.serialNumber(), 0x00ABCDEFu);

    // Nothing differs: nothing is sent, no read.
    image = keep.target;
    const RestorePlan none = ParameterRestore::plan(image, id, file, false);
    EXPECT_TRUE(none.words.empty());
    EXPECT_FALSE(ParameterRestore::view(image, none, "x", '.').askToWrite);
    bool read = false;
    const auto out = ParameterRestore::run(none, image, writer, clock, nullptr, [&] { return read = true; }, '.');
    EXPECT_TRUE(out.ok);
    EXPECT_FALSE(read);
    EXPECT_TRUE(line.sentFrames().empty());
}

} // namespace
} // namespace kdx::test

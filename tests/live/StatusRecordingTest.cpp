// The status history, its chart points, the recording file and its reader.
#include "live/SampleHistory.h"
#include "live/StatusCsv.h"
#include "live/StatusRecorder.h"
#include "live/UtcTime.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace kdx {
namespace {

constexpr int64_t kT0 = 1796734200000; // 2026-12-08T12:50:00.000Z

StatusSample sampleAt(int64_t t, float rpm, uint8_t switches = 0)
{
    StatusSample s;
    s.utcMs = t;
    s.values[static_cast<size_t>(Channel::EngineSpeed)] = rpm;
    s.switches = switches;
    return s;
}

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct TempDir {
    TempDir()
    {
        char t[] = "/tmp/kdx-recXXXXXX";
        path = ::mkdtemp(t) ? t : "/tmp";
    }
    ~TempDir() { (void)std::system(("rm -rf '" + path + "'").c_str()); }
    std::string path;
};

TEST(UtcTime, WritesAndReadsBackMillisecondsInUtc)
{
    EXPECT_EQ(UtcTime::iso(kT0 + 125), "2026-12-08T12:50:00.125Z");
    EXPECT_EQ(UtcTime::compact(kT0), "20261208T125000Z");
    EXPECT_EQ(UtcTime::iso(0), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(UtcTime::iso(951782400000), "2000-02-29T00:00:00.000Z");
    for (int64_t t : {int64_t{0}, kT0 + 999, int64_t{951782400000}, int64_t{4102444799999}})
        EXPECT_EQ(UtcTime::parseIso(UtcTime::iso(t)), t);
    for (const char* bad : {"2026-12-08T12:50:00.125", "2026-13-08T12:50:00.125Z", "2025-02-29T00:00:00.000Z",
                            "2026-12-08T24:00:00.000Z", "2026-12-08 12:10:00.125Z", "2026-12-08T12:10:0x.125Z", ""})
        EXPECT_FALSE(UtcTime::parseIso(bad)) << bad;
}

TEST(SampleHistory, KeepsTheNewestWithinCapacityAndTimeInOrder)
{
    SampleHistory h(5, 1000);
    for (int i = 0; i < 8; ++i)
        h.push(sampleAt(kT0 + 100 * i, static_cast<float>(i)));
    ASSERT_EQ(h.size(), 5u); // capacity
    EXPECT_EQ(h.at(0).value(Channel::EngineSpeed), 3.0f);
    EXPECT_EQ(h.newest().value(Channel::EngineSpeed), 7.0f);
    h.push(sampleAt(kT0 + 2000, 9)); // everything older than a second before it goes
    ASSERT_EQ(h.size(), 1u);
    h.push(sampleAt(kT0 + 1500, 10)); // a stamp going back is held at the newest
    EXPECT_EQ(h.newest().utcMs, kT0 + 2000);
    h.push(sampleAt(kT0 + 2300, 11));
    EXPECT_EQ(h.lowerBound(kT0 + 2001), 2u);
    EXPECT_EQ(h.nearest(kT0 + 2100), 1u);
    EXPECT_EQ(h.nearest(kT0 + 2200), 2u);
    EXPECT_EQ(h.nearest(kT0 + 9000), 2u);
}

TEST(StatusCsv, RowsUseAPointWhateverTheLocaleAndReadBack)
{
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    const bool comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "pl_PL.UTF-8");

    StatusSample s = sampleAt(kT0 + 100, 2500);
    s.values[static_cast<size_t>(Channel::Humidity)] = 65.4f;
    s.values[static_cast<size_t>(Channel::Temperature)] = -5.5f;
    s.values[static_cast<size_t>(Channel::SupplyVoltage)] = 14.2036f;
    s.values[static_cast<size_t>(Channel::Pump1Current)] = 1.60308f;
    s.switches = 0x15;
    s.workMode = 0x80;
    s.errorAct = 0x0201;
    s.errorMemo = 65535;
    const std::string row = StatusCsv::row(s);
    EXPECT_EQ(row, "2026-12-08T12:50:00.100Z,ok,2500,65.4,-5.5,14.204,0.0000,0.0000,1.6031,0.0000,"
                   "1,0,1,0,1,0,128,513,65535\n");
    EXPECT_EQ(StatusCsv::row(StatusSample::gap(StatusSample::State::Lost, kT0)),
              "2026-12-08T12:50:00.000Z,lost,,,,,,,,,,,,,,,,,\n");
    const std::string header = StatusCsv::header();
    EXPECT_EQ(std::count(header.begin(), header.end(), ','), static_cast<long>(StatusCsv::kColumns - 1));
    EXPECT_NE(header.find("engine speed [rpm]"), std::string::npos);
    EXPECT_NE(header.find("temperature [degC]"), std::string::npos);

    const auto back = StatusCsv::read(header + row + "2026-12-08T12:50:00.200Z,no link,,,,,,,,,,,,,,,,,\r\n");
    std::setlocale(LC_NUMERIC, saved.c_str());
    ASSERT_TRUE(back.ok()) << back.error;
    ASSERT_EQ(back.samples.size(), 2u);
    EXPECT_EQ(back.gaps, 1u);
    EXPECT_FLOAT_EQ(back.samples[0].value(Channel::Humidity), 65.4f);
    EXPECT_FLOAT_EQ(back.samples[0].value(Channel::Temperature), -5.5f);
    EXPECT_EQ(back.samples[0].switches, 0x15);
    EXPECT_EQ(back.samples[0].errorAct, 0x0201);
    EXPECT_EQ(back.samples[1].state, StatusSample::State::NoLink);
    if (!comma)
        GTEST_LOG_(INFO) << "no comma locale installed; the point was checked in the C locale only";
}

TEST(StatusCsv, BadInputIsRefusedWithTheLineAndTheReason)
{
    const std::string h = StatusCsv::header();
    const std::string ok = "2026-12-08T12:50:00.100Z,ok,2500,65.4,-5.5,14.204,0.0000,0.0000,1.6031,0.0000,"
                           "1,0,1,0,1,0,128,513,65535\n";
    struct Case {
        std::string text;
        std::string error;
    };
    const Case cases[] = {
        {"", "line 1: the file is empty"},
        {"time,state\n" + ok, "line 1: not a KDX status recording (unexpected header)"},
        {h + "2026-12-08T12:50:00.100Z,ok,1\n", "line 2: 3 fields, expected 19"},
        {h + ok.substr(0, ok.size() - 1) + ",7\n", "line 2: more than 19 fields"},
        {h + ok + "\n" + ok, "line 3: empty line"},
        {h + "2026-12-08T12:50:00.100,ok,,,,,,,,,,,,,,,,,\n", "line 2: bad time stamp '2026-12-08T12:50:00.100'"},
        {h + "2026-12-08T12:50:00.100Z,fine,,,,,,,,,,,,,,,,,\n", "line 2: unknown state 'fine'"},
        {h + "2026-12-08T12:50:00.100Z,lost,,,,1,,,,,,,,,,,,,\n", "line 2: a gap line with a value in column 6"},
        {h + "2026-12-08T12:50:00.100Z,ok,2500,65;4,-5.5,14.204,0.0000,0.0000,1.6031,0.0000,1,0,1,0,1,0,128,513,0\n",
         "line 2: column 4 is not a number: '65;4'"},
        {h + "2026-12-08T12:50:00.100Z,ok,2500,6e1,-5.5,14.204,0.0000,0.0000,1.6031,0.0000,1,0,1,0,1,0,128,513,0\n",
         "line 2: column 4 is not a number: '6e1'"},
        {h + "2026-12-08T12:50:00.100Z,ok,2500,nan,-5.5,14.204,0.0000,0.0000,1.6031,0.0000,1,0,1,0,1,0,128,513,0\n",
         "line 2: column 4 is not a number: 'nan'"},
        {h + "2026-12-08T12:50:00.100Z,ok,2500,65.4,-5.5,14.204,0.0000,0.0000,1.6031,0.0000,1,0,2,0,1,0,128,513,0\n",
         "line 2: column 13 is not 0 or 1"},
        {h + "2026-12-08T12:50:00.100Z,ok,2500,65.4,-5.5,14.204,0.0000,0.0000,1.6031,0.0000,1,0,1,0,1,0,256,513,0\n",
         "line 2: work mode or error bits out of range"},
        {h + ok + "2026-12-08T12:50:00.000Z,lost,,,,,,,,,,,,,,,,,\n", "line 3: time goes backwards"},
        {h + std::string(600, 'x') + "\n", "line 2: longer than 512 bytes"},
    };
    for (const Case& c : cases) {
        const auto r = StatusCsv::read(c.text);
        EXPECT_EQ(r.error, c.error) << c.text.substr(0, 200);
        EXPECT_TRUE(r.samples.empty());
    }
    // The last line may lack its line end; a byte-order mark is allowed.
    const auto r = StatusCsv::read("\xEF\xBB\xBF" + h + ok.substr(0, ok.size() - 1));
    EXPECT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.samples.size(), 1u);
    EXPECT_FALSE(r.cutShort);
    // A last line cut off by a full disk is left out and said so.
    const auto cut = StatusCsv::read(h + ok + ok.substr(0, 40));
    EXPECT_TRUE(cut.ok()) << cut.error;
    EXPECT_EQ(cut.samples.size(), 1u);
    EXPECT_TRUE(cut.cutShort);
}

TEST(StatusCsv, TheRowLimitHolds)
{
    std::string text = StatusCsv::header();
    const std::string gap = "2026-12-08T12:50:00.100Z,lost,,,,,,,,,,,,,,,,,\n";
    text.reserve(text.size() + gap.size() * (StatusCsv::kMaxRows + 1));
    for (size_t i = 0; i <= StatusCsv::kMaxRows; ++i)
        text += gap;
    const auto r = StatusCsv::read(text);
    EXPECT_EQ(r.error, "line " + std::to_string(StatusCsv::kMaxRows + 2) + ": more than "
                           + std::to_string(StatusCsv::kMaxRows) + " rows");
}

TEST(StatusRecorder, NamesTheFileBySerialAndTimeAndNeverOverwrites)
{
    TempDir dir;
    EXPECT_EQ(StatusRecorder::fileName(0x1E240, kT0), "KDX_0001E240_20261208T125000Z.csv");
    StatusRecorder a, b;
    ASSERT_TRUE(a.startIn(dir.path + "/recordings", 0x1E240, kT0)) << a.error();
    ASSERT_TRUE(b.startIn(dir.path + "/recordings", 0x1E240, kT0)) << b.error();
    EXPECT_EQ(a.path(), dir.path + "/recordings/KDX_0001E240_20261208T125000Z.csv");
    EXPECT_EQ(b.path(), dir.path + "/recordings/KDX_0001E240_20261208T125000Z_2.csv");
    StatusRecorder c;
    EXPECT_FALSE(c.startIn("/proc/kdx-no-such-place", 1, kT0));
    EXPECT_NE(c.error().find("cannot create the folder /proc/kdx-no-such-place"), std::string::npos) << c.error();
}

TEST(StatusRecorder, MarksGapsAndPausesAndTheFileReadsBack)
{
    TempDir dir;
    StatusRecorder rec;
    ASSERT_TRUE(rec.startAt(dir.path + "/r.csv", 7));
    int64_t t = kT0;
    for (int i = 0; i < 5; ++i, t += 100)
        ASSERT_TRUE(rec.write(sampleAt(t, 900)));
    ASSERT_TRUE(rec.write(StatusSample::gap(StatusSample::State::Lost, t)));
    t += 3000; // the link was down, then came back
    ASSERT_TRUE(rec.write(sampleAt(t, 950)));
    EXPECT_EQ(rec.rows(), 8u);
    EXPECT_EQ(rec.gapRows(), 2u);
    // Every line is on disk while the recording goes on.
    auto partial = StatusCsv::read(readAll(dir.path + "/r.csv"));
    ASSERT_TRUE(partial.ok()) << partial.error;
    EXPECT_EQ(partial.samples.size(), 8u);
    ASSERT_TRUE(rec.stop());
    const auto back = StatusCsv::readFile(dir.path + "/r.csv");
    ASSERT_TRUE(back.ok()) << back.error;
    ASSERT_EQ(back.samples.size(), 8u);
    EXPECT_EQ(back.samples[5].state, StatusSample::State::Lost);
    EXPECT_EQ(back.samples[6].state, StatusSample::State::NoLink);
    EXPECT_EQ(back.samples[6].utcMs, t);
    EXPECT_EQ(back.samples[7].value(Channel::EngineSpeed), 950.0f);
}

TEST(StatusRecorder, AFullDiskEndsTheRecordingAndSaysSo)
{
    StatusRecorder rec;
    // /dev/full takes the open and refuses every write with ENOSPC.
    EXPECT_FALSE(rec.startAt("/dev/full", 1));
    EXPECT_FALSE(rec.recording());
    EXPECT_EQ(rec.error(), "cannot write /dev/full: No space left on device");
    EXPECT_FALSE(rec.write(sampleAt(kT0, 1)));
}

TEST(StatusCsv, ReadFileRefusesWhatCannotBeOpened)
{
    const auto r = StatusCsv::readFile("/nonexistent/kdx.csv");
    EXPECT_EQ(r.error, "cannot open /nonexistent/kdx.csv: No such file or directory");
}

} // namespace
} // namespace kdx

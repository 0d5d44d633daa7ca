#include "SoakRun.h"

#include "RunStats.h"
#include "SimProcess.h"
#include "SimReport.h"
#include "TickObserver.h"
#include "ToolRig.h"
#include "app/KdxApplication.h"
#include "params/ParameterLayout.h"

#include <QTimer>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kdx::drive {

namespace {

using Eeprom = std::array<uint8_t, 512>;

std::optional<Eeprom> readEepromFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    Eeprom e{};
    if (!in.read(reinterpret_cast<char*>(e.data()), e.size()))
        return std::nullopt;
    return e;
}

// One kind of edit the technician makes on a visible edit box: the text
// typed for the n-th edit and the stored value it must give.
struct EditKind {
    const char* control;
    const Field* field;
    std::function<std::string(uint32_t n)> text;
};

std::string tenths(uint32_t v) { return std::to_string(v / 10) + "." + std::to_string(v % 10); }

const std::vector<EditKind>& editKinds()
{
    static const std::vector<EditKind> kinds{
        {"EditGeneralDelay", &layout::GeneralDelay, [](uint32_t n) { return std::to_string(1 + (n * 7) % 200); }},
        {"EditRpmDziel", &layout::RpmDziel, [](uint32_t n) { return std::to_string(1 + (n * 13) % 100); }},
        {"EditManualMconstOnP1", &layout::ManualMconstOnP1,
         [](uint32_t n) { return tenths(10 + (n * 17) % 500); }},
        {"EditMinLevH", &layout::MinLevH, [](uint32_t n) { return tenths(1 + (n * 3) % 20) + "0"; }},
    };
    return kinds;
}

struct Figures {
    std::vector<std::string> failures;
    uint32_t edits = 0;
    uint32_t editsSaved = 0;
    std::vector<double> editToEepromMs;
    uint64_t rssBaselineKb = 0;
    uint64_t rssMaxAfterKb = 0;
    uint64_t rssEndKb = 0;
    uint32_t connects = 0;
};

} // namespace

int runSoak(const SoakOptions& o)
{
    Figures f;
    std::vector<std::string> crashes;
    KdxApplication::setExceptionReporter([&](const QString& what) { crashes.push_back(what.toStdString()); });

    const std::string eepromPath = o.workDir + "/soak-eeprom.bin";
    std::remove(eepromPath.c_str());
    SimProcess sim;
    std::string error;
    const std::string fault = "mix=" + std::to_string(o.faultPercent) + ":" + std::to_string(o.seed);
    if (!sim.start(o.simProgram, {"--fault", fault, "--eeprom", eepromPath}, error)) {
        std::fprintf(stderr, "soak: %s\n", error.c_str());
        return 2;
    }
    std::printf("soak: %.1f min against kdx-sim on %s, faults %s, an edit every %d s\n", o.minutes,
                sim.ptyPath().c_str(), fault.c_str(), o.editEverySeconds);
    std::fflush(stdout);

    std::optional<Eeprom> finalImage;
    LinkCounters tool;
    uint64_t answersRead = 0, validFrames = 0;
    {
        ToolRig rig(sim.ptyPath());
        rig.window().show();
        TickObserver ticks(rig);

        auto connect = [&] {
            // A fault on the identify answer fails one search; search again.
            for (int attempt = 0; attempt < 20 && !rig.connected(); ++attempt) {
                ++f.connects;
                clickButton(rig.window(), "ButtonAutoconnect");
                if (!rig.connected())
                    runFor(300);
            }
            return rig.connected();
        };
        if (!connect()) {
            std::fprintf(stderr, "soak: the tool could not connect\n");
            return 2;
        }

        const double totalMs = o.minutes * 60000.0;
        const double warmUpMs = std::clamp(totalMs / 6, 15000.0, 60000.0);
        const double start = nowMs();
        double nextEdit = start + o.editEverySeconds * 1000.0;
        double nextSample = start + warmUpMs;
        double nextProgress = start + 30000.0;
        bool warm = false;
        uint32_t editNo = 0;

        while (nowMs() - start < totalMs) {
            runFor(100);
            if (!rig.connected()) {
                f.failures.push_back("the link went down during polling");
                if (!connect())
                    break;
            }
            const double now = nowMs();
            if (now >= nextEdit) {
                nextEdit += o.editEverySeconds * 1000.0;
                const EditKind& kind = editKinds()[editNo % editKinds().size()];
                const uint32_t before = rig.context.session.image().raw(*kind.field);
                std::string text = kind.text(editNo);
                if (!typeAndEnter(rig.window(), kind.control, text)) {
                    f.failures.push_back(std::string("no edit box ") + kind.control);
                } else {
                    ++f.edits;
                    const uint32_t after = rig.context.session.image().raw(*kind.field);
                    if (after == before) {
                        // Same value as before: type the next one instead.
                        text = kind.text(editNo + 1);
                        typeAndEnter(rig.window(), kind.control, text);
                    }
                    const auto& image = rig.context.session.image().bytes();
                    const size_t at = kind.field->offset, width = kind.field->widthBytes();
                    const std::vector<uint8_t> want(image.begin() + static_cast<long>(at),
                                                    image.begin() + static_cast<long>(at + width));
                    if (rig.context.session.image().raw(*kind.field) == before)
                        f.failures.push_back(std::string(kind.control) + " '" + text + "' changed nothing");
                    const double typed = nowMs();
                    const bool saved = runUntil(
                        [&] {
                            const auto e = readEepromFile(eepromPath);
                            return e && std::equal(want.begin(), want.end(), e->begin() + static_cast<long>(at));
                        },
                        8000);
                    if (saved) {
                        ++f.editsSaved;
                        f.editToEepromMs.push_back(nowMs() - typed);
                    } else {
                        f.failures.push_back("edit " + std::to_string(editNo + 1) + " (" + kind.control + " '"
                                             + text + "') did not reach the EEPROM within 8 s");
                    }
                }
                ++editNo;
            }
            if (now >= nextSample) {
                nextSample += 5000.0;
                const uint64_t rss = residentKb();
                if (!warm) {
                    warm = true;
                    f.rssBaselineKb = rss;
                } else {
                    f.rssMaxAfterKb = std::max(f.rssMaxAfterKb, rss);
                }
            }
            if (now >= nextProgress) {
                nextProgress += 30000.0;
                const StatusPoller& p = rig.context.session.poller();
                std::printf("soak: %5.0f s  answers %llu  valid %llu  lost %u  bad %u  checksum %u  edits %u/%u  "
                            "VmRSS %llu kB\n",
                            (now - start) / 1000.0, static_cast<unsigned long long>(ticks.answersRead()),
                            static_cast<unsigned long long>(ticks.validFrames()), p.lostPacketCount(),
                            p.badPacketCount(), p.crcErrorCount(), f.editsSaved, f.edits,
                            static_cast<unsigned long long>(residentKb()));
                std::fflush(stdout);
            }
        }

        // Let a pending save go out, then stop right after an answer was read,
        // so that no status request is left unanswered by the tool's count.
        runUntil([&] { return !rig.context.session.poller().savePending(); }, 5000);
        if (!runUntil([&] { return rig.context.session.poller().pollPhase() == 0; }, 2000))
            f.failures.push_back("the poll never came back to its send phase");
        rig.window().timer1()->stop();
        f.rssEndKb = residentKb();
        f.rssMaxAfterKb = std::max(f.rssMaxAfterKb, f.rssEndKb);

        const StatusPoller& p = rig.context.session.poller();
        tool = {p.lostPacketCount(), p.badPacketCount(), p.crcErrorCount()};
        answersRead = ticks.answersRead();
        validFrames = ticks.validFrames();
        const auto& image = rig.context.session.image().bytes();
        finalImage = Eeprom{};
        std::copy(image.begin(), image.end(), finalImage->begin());
        if (!rig.prompts.messages.empty())
            for (const auto& m : rig.prompts.messages)
                f.failures.push_back("the tool showed a box: " + m);
    }

    const bool simClean = sim.stop();
    const SimReport report = SimReport::parse(sim.output());
    for (const auto& line : compareCounters(tool, report))
        f.failures.push_back(line);
    // One status request, one answer made (or withheld) and one read.
    if (report.complete && report.kind("status").answers != answersRead)
        f.failures.push_back("kdx-sim made " + std::to_string(report.kind("status").answers)
                             + " status answers, the tool read " + std::to_string(answersRead));
    if (!simClean)
        f.failures.push_back("kdx-sim did not end cleanly (exit " + std::to_string(sim.exitCode()) + ")");
    for (const auto& c : crashes)
        f.failures.push_back("exception in a handler: " + c);
    if (f.editsSaved != f.edits)
        f.failures.push_back(std::to_string(f.edits - f.editsSaved) + " edits never reached the EEPROM");
    if (!report.eeprom)
        f.failures.push_back("kdx-sim reported no EEPROM");
    else if (finalImage && *report.eeprom != *finalImage)
        f.failures.push_back("the controller's EEPROM differs from the tool's image at the end");
    const int64_t growthKb = static_cast<int64_t>(f.rssMaxAfterKb) - static_cast<int64_t>(f.rssBaselineKb);
    if (f.rssBaselineKb == 0)
        f.failures.push_back("the run was too short to take a memory baseline after the warm-up");
    else if (growthKb >= 1024)
        f.failures.push_back("resident memory grew by " + std::to_string(growthKb) + " kB after the warm-up");

    const KindCounts status = report.kind("status");
    std::printf("\nsoak results (%.1f min, faults %s)\n", o.minutes, fault.c_str());
    std::printf("  connection searches        %u\n", f.connects);
    std::printf("  status answers             %u made, %llu read by the tool, %llu valid\n", status.answers,
                static_cast<unsigned long long>(answersRead), static_cast<unsigned long long>(validFrames));
    std::printf("  tool counters              lost %u  bad %u  checksum %u\n", tool.lost, tool.bad, tool.checksum);
    std::printf("  simulator injected (status) lost %u  bad %u  checksum %u\n", status.spoiled.lost,
                status.spoiled.bad, status.spoiled.checksum);
    for (const char* kind : {"identify", "page"}) {
        const KindCounts k = report.kind(kind);
        std::printf("  simulator injected (%s)%*s lost %u  bad %u  checksum %u  of %u (retried, not counted)\n",
                    kind, static_cast<int>(8 - std::string(kind).size()), "", k.spoiled.lost, k.spoiled.bad,
                    k.spoiled.checksum, k.answers);
    }
    std::printf("  answers late on the wire   %u (worst %llu ms)\n", report.lateWrites,
                static_cast<unsigned long long>(report.maxLatenessMs));
    std::printf("  edits                      %u made, %u reached the EEPROM", f.edits, f.editsSaved);
    if (!f.editToEepromMs.empty())
        std::printf(" (Enter to EEPROM: mean %.0f ms, max %.0f ms)", mean(f.editToEepromMs),
                    *std::max_element(f.editToEepromMs.begin(), f.editToEepromMs.end()));
    std::printf("\n  VmRSS                      %llu kB after warm-up, %llu kB at most later, growth %lld kB\n",
                static_cast<unsigned long long>(f.rssBaselineKb), static_cast<unsigned long long>(f.rssMaxAfterKb),
                static_cast<long long>(growthKb));
    std::printf("  final EEPROM vs tool image %s\n",
                report.eeprom && finalImage && *report.eeprom == *finalImage ? "equal" : "DIFFERENT");
    std::printf("  kdx-sim                    %s\n", simClean ? "ended cleanly" : "did NOT end cleanly");
    for (const auto& failure : f.failures)
        std::printf("FAIL: %s\n", failure.c_str());
    std::printf("%s\n", f.failures.empty() ? "SOAK PASSED" : "SOAK FAILED");
    std::fflush(stdout);
    return f.failures.empty() ? 0 : 1;
}

} // namespace kdx::drive

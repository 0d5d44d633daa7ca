#include "cli/Commands.h"

#include "cli/CliSession.h"
#include "cli/ExitCodes.h"
#include "link/Connector.h"
#include "link/PortDoctor.h"
#include "link/SystemConsole.h"
#include "live/LiveTexts.h"
#include "live/StatusPoller.h"
#include "live/StatusRecorder.h"
#include "live/StatusSample.h"
#include "live/UtcTime.h"
#include "live/Tester.h"
#include "live/TesterCommands.h"
#include "live/Tone.h"
#include "params/ControllerCommands.h"
#include "params/NumberText.h"
#include "params/RegisterWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kdx::cli {

volatile std::sig_atomic_t g_interrupted = 0;

namespace {

std::string hex16(uint16_t v)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(v));
    return buf;
}

// The ImageWriter the status poller saves through; a command-line run never
// changes the image, so it is there for the poller's contract only.
class SessionWriter : public ImageWriter {
public:
    SessionWriter(DeviceLink& link, const ParameterImage& image) : m_writer(link, image) {}
    bool writeWord(unsigned index) override { return m_writer.writeWord(index); }
    bool writeDword(unsigned offset) override { return m_writer.writeDword(offset); }
    bool saveToEeprom() override { return m_writer.saveToEeprom(); }

private:
    RegisterWriter m_writer;
};

std::string modeName(uint8_t mode)
{
    switch (mode) {
    case 0: return "auto";
    case 1: return "manual-trigger";
    case 2: return "manual-const";
    case 3: return "service";
    case 0x80: return "error";
    case 0xFF: return "off";
    default: return "unknown-" + std::to_string(mode);
    }
}

std::string fixed(double v, int decimals)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

// The tester's failure tone on a terminal: its bell (the program goes on at once).
class BellTone : public Tone {
public:
    explicit BellTone(bool quiet) : m_quiet(quiet) {}
    void play(uint32_t, uint32_t) override
    {
        if (!m_quiet && SystemConsole::isTerminal(stderr))
            std::fputs("\a", stderr);
    }

private:
    bool m_quiet;
};

// monitor gives up once the controller has answered nothing for this long.
constexpr uint32_t kMonitorGiveUpMs = 3000;

// Polls the status at the window's cadence: a tick every 50 ms, a request on
// every other one. Calls onTick after each tick until it returns false or the
// run is interrupted.
template <typename OnTick>
void pollLoop(Clock& clock, StatusPoller& poller, OnTick onTick)
{
    uint64_t nextTick = clock.nowMs();
    while (!g_interrupted) {
        const TickResult r = poller.tick();
        if (!onTick(r))
            return;
        nextTick += wire::kTimerIntervalMs;
        const uint64_t now = clock.nowMs();
        if (nextTick > now)
            clock.sleepMs(static_cast<uint32_t>(nextTick - now));
        else
            nextTick = now;
    }
}

} // namespace

int runPorts(const CliArguments& args, Reporter& out)
{
    CliSession session(args, out);
    PortDoctor doctor;
    const auto ports = session.candidates();
    if (ports.empty())
        out.note("no serial ports found (name one with --port, or --demo)");
    // The same findings as the window's doctor: each port's, then the
    // system's (ModemManager, brltty).
    DoctorReport report;
    int number = 0;
    for (const auto& port : ports) {
        ++number;
        // The demo controller is no device the doctor could look at.
        const bool device = port.rfind("/", 0) == 0;
        std::string problem;
        if (session.line().open(port))
            session.line().close();
        else
            problem = session.line().lastError();
        const bool busy = problem.find(std::strerror(EBUSY)) != std::string::npos;
        const PortDiagnosis d = device ? doctor.examinePort(port, busy) : PortDiagnosis{};
        if (device)
            report.ports.push_back(d);
        const std::string byId = d.byId.empty() ? std::string() : d.byId.front();
        JsonObject json;
        json.add("com", "COM" + std::to_string(number)).add("port", port).add("byId", byId)
            .add("openable", problem.empty());
        if (!d.usbId.empty())
            json.add("usb", d.usbId + (d.usbName.empty() ? "" : " " + d.usbName));
        if (d.latencyMs)
            json.add("latencyMs", *d.latencyMs);
        if (!problem.empty())
            json.add("problem", problem);
        // Why, and the one line that fixes it, where the doctor knows.
        std::string why;
        for (const PortFinding& f : d.findings)
            why += (why.empty() ? "" : "\n") + f.problem + "; fix: " + f.fix;
        if (!why.empty())
            json.add("why", why);
        std::string plain = "COM" + std::to_string(number) + "  " + port;
        if (!byId.empty())
            plain += "  (" + byId + ")";
        plain += problem.empty() ? "  can be opened" : "  cannot be opened: " + problem;
        for (const PortFinding& f : d.findings)
            plain += "\n      " + f.problem + "; fix: " + f.fix;
        out.result(json, plain);
    }
    doctor.addSystemFindings(report);
    for (const PortFinding& f : report.findings)
        out.note(f.problem + "; fix: " + f.fix);
    return kExitOk;
}

int runIdentify(const CliArguments& args, Reporter& out)
{
    CliSession session(args, out);
    if (const int rc = session.connect(); rc != kExitOk)
        return rc;
    const ConnectionState& s = session.state();
    const uint32_t serial = session.image().serialNumber();
    JsonObject json;
    json.add("port", session.link().selectedPort())
        .add("hardware", static_cast<unsigned>(s.hardwareVersion))
        .add("software", static_cast<unsigned>(s.softwareVersion))
        .add("revision", static_cast<unsigned>(s.softwareRevision))
        .add("serial", hex32Text(serial));
    out.result(json, "port " + session.link().selectedPort() + ": hardware " + std::to_string(s.hardwareVersion)
                         + ", software " + std::to_string(s.softwareVersion) + "."
                         + std::to_string(s.softwareRevision) + ", serial number " + hex32Text(serial));
    return kExitOk;
}

int runMonitor(const CliArguments& args, Reporter& out)
{
    CliSession session(args, out);
    if (const int rc = session.connect(); rc != kExitOk)
        return rc;
    SessionWriter writer(session.link(), session.image());
    StatusPoller poller(session.link(), session.image().bytes(), writer, LiveTexts::defaults());
    Clock& clock = session.clock();
    const uint64_t start = clock.nowMs();
    const uint64_t stopAt = args.seconds ? start + static_cast<uint64_t>(*args.seconds * 1000.0) : UINT64_MAX;
    uint32_t frames = 0;
    StatusRecorder recorder;
    if (!args.csv.empty() && !recorder.startAt(args.csv, session.image().serialNumber())) {
        out.error(args.csv + ": " + recorder.error(), kExitFile);
        return kExitFile;
    }
    bool recordingFailed = false;
    bool linkLost = false;
    pollLoop(clock, poller, [&](const TickResult& r) {
        // The adapter pulled, or the controller silent for good: no point
        // in polling on, and no success to claim.
        if (session.link().lineHungUp() || session.link().silentForMs(kMonitorGiveUpMs)) {
            linkLost = true;
            return false;
        }
        if (recorder.recording()) {
            const auto sample = StatusSample::fromTick(r, UtcTime::nowMs());
            if (sample && sample->ok())
                ++frames;
            if (sample && !recorder.write(*sample)) {
                // A full disk or a pulled stick: stop and say so.
                recordingFailed = true;
                return false;
            }
            return clock.nowMs() < stopAt;
        }
        if (r.frame) {
            const StatusFrame& f = *r.frame;
            ++frames;
            JsonObject json;
            json.add("time", UtcTime::iso(UtcTime::nowMs())).add("rpm", static_cast<unsigned>(f.engineRpm()))
                .add("humidity", f.humidityPercent(), 1).add("temperature", f.temperatureCelsius(), 1)
                .add("supply", f.supplyVolts(), 2).add("waterLevel", f.waterLevVolts(), 2)
                .add("current1", static_cast<double>(f.currentAmps(1)), 2)
                .add("current2", static_cast<double>(f.currentAmps(2)), 2)
                .add("pump1", f.pump1Running()).add("pump2", f.pump2Running())
                .add("ionizer1", f.ionizer1On()).add("ionizer2", f.ionizer2On())
                .add("ignition", f.ignitionOn()).add("systemOn", f.systemOn())
                .add("mode", modeName(f.workMode())).add("errors", hex16(f.errorAct()))
                .add("storedErrors", hex16(f.errorMemo()));
            const std::string plain = UtcTime::iso(UtcTime::nowMs()) + " rpm=" + std::to_string(f.engineRpm()) + " hum="
                + fixed(f.humidityPercent(), 1) + "% temp=" + fixed(f.temperatureCelsius(), 1) + "C supply="
                + fixed(f.supplyVolts(), 2) + "V level=" + fixed(f.waterLevVolts(), 2) + "V i1="
                + fixed(f.currentAmps(1), 2) + "A i2=" + fixed(f.currentAmps(2), 2) + "A pumps="
                + (f.pump1Running() ? "1" : "0") + (f.pump2Running() ? "1" : "0") + " ion="
                + (f.ionizer1On() ? "1" : "0") + (f.ionizer2On() ? "1" : "0") + " ign="
                + (f.ignitionOn() ? "1" : "0") + " mode=" + modeName(f.workMode()) + " err="
                + hex16(f.errorAct()) + "/" + hex16(f.errorMemo());
            out.result(json, plain);
        }
        return clock.nowMs() < stopAt;
    });
    const std::string counts = std::to_string(frames) + " frames, " + std::to_string(poller.lostPacketCount())
        + " lost, " + std::to_string(poller.badPacketCount()) + " bad, " + std::to_string(poller.crcErrorCount())
        + " checksum errors";
    if (linkLost) {
        if (!args.csv.empty())
            (void)recorder.stop();
        JsonObject json;
        json.add("frames", static_cast<unsigned>(frames)).add("lost", static_cast<unsigned>(poller.lostPacketCount()))
            .add("bad", static_cast<unsigned>(poller.badPacketCount()))
            .add("checksum", static_cast<unsigned>(poller.crcErrorCount()));
        if (!args.csv.empty())
            json.add("file", args.csv).add("rows", static_cast<uint64_t>(recorder.rows()));
        out.failure(json, "monitor: " + counts,
                    std::string("the link to the controller was lost (")
                        + (session.link().lineHungUp() ? std::string("the adapter went away")
                                                        : "no answer for " + std::to_string(kMonitorGiveUpMs / 1000) + " s")
                        + ") after " + counts,
                    kExitCommunication);
        return kExitCommunication;
    }
    if (recordingFailed || (!args.csv.empty() && !recorder.stop())) {
        out.error(args.csv + ": " + recorder.error() + " (recording ended after " + counts + ")", kExitFile);
        return kExitFile;
    }
    if (!args.csv.empty()) {
        out.result(JsonObject().add("file", args.csv).add("frames", static_cast<unsigned>(frames))
                       .add("rows", static_cast<uint64_t>(recorder.rows()))
                       .add("lost", static_cast<unsigned>(poller.lostPacketCount()))
                       .add("bad", static_cast<unsigned>(poller.badPacketCount()))
                       .add("checksum", static_cast<unsigned>(poller.crcErrorCount())),
                   args.csv + ": " + counts);
        return kExitOk;
    }
    out.note("monitor: " + counts);
    return kExitOk;
}

} // namespace kdx::cli

namespace kdx::cli {

int runTest(const CliArguments& args, Reporter& out)
{
    const std::string& serial = args.operands.front();
    if (!Tester::isProductSerial(serial)) {
        out.error("'" + serial + "' is not a serial number of this product (\"To nie jest numer seryjny do tego produktu!\")",
                  kExitUsage);
        return kExitUsage;
    }
    CliSession session(args, out);
    if (const int rc = session.connect(); rc != kExitOk)
        return rc;
    BellTone tone(args.quiet);
    Tester tester(session, tone, ".");
    ControllerCommands commands(session.link());
    SessionWriter writer(session.link(), session.image());
    StatusPoller poller(session.link(), session.image().bytes(), writer, LiveTexts::defaults());
    Clock& clock = session.clock();
    if (!tester.checkSerial(serial)) {
        out.error("the tester refused the serial number " + serial, kExitUsage);
        return kExitUsage;
    }
    // A board that never reports system on never starts its test.
    constexpr uint64_t kStartWithinMs = 10000;
    const uint64_t armedAt = clock.nowMs();
    std::optional<bool> verdict;
    std::optional<ResultFileSave> saved;
    auto apply = [&](const Tester::Outcome& o) {
        for (const TesterCommand& c : o.commands)
            (void)sendTesterCommand(c, commands, session.image());
        if (o.verdict) {
            verdict = o.verdict;
            saved = o.saved;
        }
    };
    pollLoop(clock, poller, [&](const TickResult& r) {
        const uint64_t now = clock.nowMs();
        if (r.frame)
            apply(tester.onFrame(*r.frame, now, session.image().serialNumber()));
        apply(tester.onTick(now));
        if (tester.running())
            out.progress("production test", tester.testClock() * 100 / 5000);
        if (verdict)
            return false;
        return tester.running() || now - armedAt < kStartWithinMs;
    });
    if (!verdict && tester.running()) {
        // Ctrl-C: end the test the way a lost link does, so the controller is
        // put back into its previous mode and the result says why.
        apply(tester.onConnectionSearch());
        if (poller.pollPhase() == 1)
            (void)poller.tick();
    }
    out.endProgress();
    if (!verdict) {
        out.error(g_interrupted ? "interrupted before the test started"
                                : "the controller never reported system on; the test did not start",
                  g_interrupted ? kExitInterrupted : kExitCommunication);
        return g_interrupted ? kExitInterrupted : kExitCommunication;
    }
    std::vector<std::string> lines(tester.logLines().rbegin(), tester.logLines().rend());
    if (!out.json())
        for (const auto& line : lines)
            out.note(line);
    std::vector<std::string> jsonLines;
    for (const auto& line : lines)
        jsonLines.push_back(jsonString(line));
    JsonObject json;
    json.add("serial", serial).add("sound", *verdict).add("errors", static_cast<int64_t>(tester.errorCount()));
    if (saved) {
        json.add("file", saved->path);
        if (!saved->backup.empty())
            json.add("previousFile", saved->backup);
        if (!saved->ok())
            json.add("fileError", saved->error);
    }
    json.raw("log", jsonArray(jsonLines));
    const std::string plain = std::string(*verdict ? "sound" : "NOT SOUND") + ": " + serial
                              + (saved ? ", result file " + saved->path : std::string());
    if (saved && !saved->ok()) {
        out.failure(json, plain, "the result file " + saved->path + " could not be written: " + saved->error,
                    kExitFile);
        return kExitFile;
    }
    out.result(json, plain);
    return *verdict ? kExitOk : kExitNotSound;
}

} // namespace kdx::cli

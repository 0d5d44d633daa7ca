// kdx-sim: a simulated controller on a pseudo-terminal, for trying the tool
// without hardware and for end-to-end tests through the real serial code.

#include "link/Clock.h"
#include "link/TrafficLog.h"
#include "sim/ControllerModel.h"
#include "sim/EepromFile.h"
#include "sim/posix/PtyServer.h"
#include "sim/SimArguments.h"
#include "sim/TrafficReplay.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

volatile std::sig_atomic_t g_stop = 0;
volatile std::sig_atomic_t g_report = 0;

void onSignal(int) { g_stop = 1; }
void onReportSignal(int) { g_report = 1; }

void installSignals()
{
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0; // no SA_RESTART: poll() returns at once with EINTR
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sa.sa_handler = onReportSignal;
    sigaction(SIGUSR1, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

std::string hexBytes(const std::vector<uint8_t>& bytes)
{
    std::string out;
    char b[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", bytes[i]);
        out += b;
    }
    return out;
}

// What a soak run compares with the tool: per answer kind the answers made
// and what was spoiled, counted the way the tool's reader judges them; how
// late the terminal got the answers; and the EEPROM as it stands. Printed
// on SIGUSR1 and at exit, one "kdx-sim: " line each, ending with
// "kdx-sim: end of report".
void printReport(const kdx::sim::ControllerModel& model, const kdx::sim::PtyServer& server)
{
    using Kind = kdx::sim::ControllerModel::AnswerKind;
    const std::pair<const char*, Kind> kinds[] = {
        {"identify", Kind::Identify}, {"page", Kind::Page}, {"status", Kind::Status}, {"boot", Kind::Boot}};
    for (const auto& [name, kind] : kinds) {
        const kdx::sim::InjectionCounts c = model.injected(kind);
        std::printf("kdx-sim: injected %s answers=%u lost=%u bad=%u checksum=%u delayed=%u\n", name, c.answers,
                    c.lost, c.bad, c.checksum, c.delayed);
    }
    std::printf("kdx-sim: wire lateness max=%llums late-writes=%u\n",
                static_cast<unsigned long long>(server.maxLatenessMs()), server.lateWrites());
    const auto& eeprom = model.eeprom().bytes();
    std::printf("kdx-sim: eeprom %s\n",
                hexBytes(std::vector<uint8_t>(eeprom.begin(), eeprom.end())).c_str());
    std::printf("kdx-sim: end of report\n");
    std::fflush(stdout);
}

// Milliseconds since local midnight, now.
int64_t localTimeOfDayMs()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm local {};
    localtime_r(&t, &local);
    const int64_t ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    return ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 + ms;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace kdx::sim;
    SimArguments args;
    std::string error;
    if (!args.parse(std::vector<std::string>(argv + 1, argv + argc), error)) {
        std::fprintf(stderr, "kdx-sim: %s\n%s", error.c_str(), SimArguments::usage().c_str());
        return 2;
    }
    if (args.help) {
        std::fputs(SimArguments::usage().c_str(), stdout);
        return 0;
    }

    std::optional<EepromFile> eepromFile;
    std::optional<ParameterMemory::Bytes> stored;
    if (!args.eepromPath.empty()) {
        eepromFile.emplace(args.eepromPath);
        stored = eepromFile->load(error);
        if (!error.empty()) {
            // Refuse rather than overwrite a file that is not ours at exit.
            std::fprintf(stderr, "kdx-sim: %s\n", error.c_str());
            return 2;
        }
    }
    if (stored && args.serialNumber) {
        ParameterMemory m(*stored);
        m.setDwordAt(ParameterMemory::kSerialNumber, *args.serialNumber);
        stored = m.bytes();
    }
    ControllerModel model = stored ? ControllerModel(args.config, *stored) : ControllerModel(args.config);
    model.setFaults(args.faults);
    std::optional<TrafficReplay> replay;
    if (!args.replayPath.empty()) {
        std::ifstream in(args.replayPath, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        replay.emplace(kdx::readTrafficExport(text.str()));
        if (!in || replay->requestsKnown() == 0) {
            std::fprintf(stderr, "kdx-sim: %s: no traffic lines to replay\n", args.replayPath.c_str());
            return 2;
        }
        model.setAnswerSource([&replay](const uint8_t* frame, size_t size) { return replay->answerTo(frame, size); });
    }

    auto save = [&](const ParameterMemory::Bytes& bytes) {
        std::string why;
        if (eepromFile && !eepromFile->save(bytes, why))
            std::fprintf(stderr, "kdx-sim: EEPROM not saved: %s\n", why.c_str());
    };
    model.setSaveCallback(save);

    kdx::SystemClock clock;
    const uint64_t startMs = clock.nowMs();
    model.powerOn(startMs);
    if (args.trace) {
        // The tool's traffic view writes the same lines: time of day, who
        // sent the frame, its kind, its bytes and a note.
        const int64_t dayOffsetMs = localTimeOfDayMs() - static_cast<int64_t>(startMs);
        model.setTraceSink([dayOffsetMs, requestKind = std::string()](const ControllerModel::TraceEvent& e) mutable {
            using D = ControllerModel::TraceEvent::Direction;
            kdx::TrafficRecord r;
            r.timeMs = static_cast<uint64_t>(static_cast<int64_t>(e.atMs) + dayOffsetMs);
            r.bytes = e.bytes;
            r.note = e.note;
            if (e.direction == D::Received) {
                r.sender = kdx::TrafficRecord::Sender::Pc;
                r.kind = kdx::commandKind(e.bytes.data(), e.bytes.size());
                requestKind = r.kind;
            } else if (e.direction == D::Sent) {
                r.sender = kdx::TrafficRecord::Sender::Ecu;
                r.kind = kdx::answerKind(e.bytes.data(), e.bytes.size(), requestKind);
            } else {
                r.sender = kdx::TrafficRecord::Sender::None;
                r.kind = e.note == "bus silent" || e.note == "adapter pulled" ? "outage" : "noise";
            }
            std::printf("%s\n", kdx::formatTrafficLine(r).c_str());
            std::fflush(stdout);
        });
    }

    installSignals();
    PtyServer server(model, clock);
    if (!server.open(error)) {
        std::fprintf(stderr, "kdx-sim: %s\n", error.c_str());
        return 1;
    }
    bool linked = false;
    if (!args.linkPath.empty()) {
        ::unlink(args.linkPath.c_str());
        if (::symlink(server.slavePath().c_str(), args.linkPath.c_str()) != 0) {
            std::fprintf(stderr, "kdx-sim: cannot link %s: %s\n", args.linkPath.c_str(), std::strerror(errno));
            return 1;
        }
        linked = true;
    }
    // The link follows the adapter: gone while it is pulled, to the new
    // terminal when it is back, so a watch on the link sees the replug.
    server.setPlugWatcher([&](const std::string& path) {
        if (linked) {
            ::unlink(args.linkPath.c_str());
            if (!path.empty() && ::symlink(path.c_str(), args.linkPath.c_str()) != 0)
                std::fprintf(stderr, "kdx-sim: cannot link %s: %s\n", args.linkPath.c_str(), std::strerror(errno));
        }
        if (!path.empty()) {
            std::printf("kdx-sim: adapter back on %s\n", path.c_str());
            std::fflush(stdout);
        }
    });
    std::printf("kdx-sim: controller H:%u S:%u.%u serving on %s\n", model.hardwareVersion(),
                model.softwareVersion(), model.softwareRevision(), server.slavePath().c_str());
    std::fflush(stdout);

    server.run(g_stop, g_report, [&] { printReport(model, server); });

    if (linked)
        ::unlink(args.linkPath.c_str());
    if (eepromFile)
        save(model.eeprom().bytes());
    printReport(model, server);
    std::printf("kdx-sim: stopped\n");
    std::fflush(stdout);
    return 0;
}

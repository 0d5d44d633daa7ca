#pragma once

#include "prompts/UserPrompts.h"
#include "live/ResultFile.h"
#include "live/StatusFrame.h"
#include "live/TesterCheck.h"
#include "live/Tone.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kdx {

// What the tester needs the controller to do; the caller sends it (the
// window through its ControllerCommands, a command-line front end the same
// way). No answer is read.
struct TesterCommand {
    enum class Kind { SetWorkMode, ServiceOn, ServiceOff };
    Kind kind = Kind::ServiceOff;
    uint8_t mode = 0; // SetWorkMode only
    bool operator==(const TesterCommand& o) const { return kind == o.kind && mode == o.mode; }
};

// The production-line test of a freshly built controller. The technician
// scans its serial number; once the controller reports system on, the test
// runs on the status frames (50 ms of test time per valid frame) and gives
// its verdict at 5000 ms, saving the test log as "<serial>.txt"
// (Windows-1250, CR LF) in the result folder.
//
// The outputs are exercised by the controller's own service run: at the
// start the tester asks for service mode and the service run, at the end
// (verdict or abort) for the service run off and the mode the controller
// ran before, with its service run on again if it was. A pump counts as
// tested when it was seen running and its current is judged on every frame
// it runs (the first frame of each on-phase is the switching moment and is
// left out); an ioniser when it was seen on. What was never seen is logged
// "NIE PRZETESTOWANO" and makes the verdict not sound.
//
// A test ends as not sound, with a log line saying why, when the status
// frames stop for more than kLinkGapMs, when a new connection search starts,
// or when the connected controller's serial number is no longer the one the
// test started with.
class Tester {
public:
    static constexpr int kEnterKey = 13;
    static constexpr uint64_t kLinkGapMs = 1000;
    static constexpr int32_t kOutputsFromMs = 200;

    enum class Lamp { Idle, Running, Passed, Failed };

    struct Outcome {
        std::string timeLabel;           // LabelCzasTestowania1; empty: unchanged
        bool logChanged = false;         // Memo1 needs refreshing from logText()
        std::optional<bool> verdict;     // the test ended here: sound?
        std::optional<ResultFileSave> saved; // the result file, after a verdict
        std::vector<TesterCommand> commands; // to send to the controller, in order
    };
    using FrameOutcome = Outcome;

    Tester(UserPrompts& prompts, Tone& tone, std::string resultDirectory = ".",
           std::vector<TesterCheck> checks = TesterCheck::standard());

    // Where result files go (the window's start directory, so that a dialog
    // that moved the current directory does not move them).
    void setResultDirectory(std::string directory) { m_resultDirectory = std::move(directory); }

    // Key released in EditSerial. Returns true when the window is to clear
    // the entry field. Without a connection Enter only shows a message; while
    // a test runs the number is refused and the running test goes on.
    bool serialKeyUp(int key, const std::string& editText, bool connected);
    // Takes the entered text as the serial number (LabelSerialN shows it
    // whatever it is) and arms the tester when it is one of this product.
    // Returns whether it was accepted; refused while a test runs.
    bool checkSerial(const std::string& editText);

    // One valid status frame at nowMs (the program's monotonic clock), from
    // the controller whose serial number (image bytes 4..7) is given.
    Outcome onFrame(const StatusFrame& frame, uint64_t nowMs, uint32_t controllerSerial);
    // Every status tick, frame or not: ends a test whose frames stopped.
    Outcome onTick(uint64_t nowMs);
    // A new connection search begins (or the link was dropped): the board
    // under test may not be the one that answers next.
    Outcome onConnectionSearch();

    // LabelSerialN: "Numer Seryjny" until a serial number is entered.
    const std::string& serialLabel() const { return m_serialLabel; }
    // Memo1, newest entry first, each entry ending with ";".
    const std::vector<std::string>& logLines() const { return m_log; }
    std::string logText() const; // lines joined by "\n"
    // AbLEDStartTestu1: idle, test running, last test passed or failed.
    Lamp lamp() const { return m_lamp; }
    bool resultLampRed() const { return m_lamp == Lamp::Failed; }
    // Where the last result went (or was meant to go); empty before one.
    const std::optional<ResultFileSave>& lastSave() const { return m_lastSave; }

    bool armed() const { return m_armed; }
    bool running() const { return m_running; }
    int32_t testClock() const { return m_clock; }
    int32_t errorCount() const { return m_errors; }

    // Exactly 20 characters, starting with the product code, and nothing a
    // file name cannot hold (/ \ : * ? " < > | or control characters).
    static bool isProductSerial(const std::string& text);
    static std::string resultFileName(const std::string& serial) { return serial + ".txt"; }
    // The log as the result file holds it: Windows-1250, every line ended by
    // CR LF; characters that code page lacks become '?'.
    static std::string fileBytes(const std::vector<std::string>& lines);

    static constexpr const char* kMsgTestRunning =
        "Test w toku - numer seryjny nie został przyjęty. Poczekaj na wynik testu.";

private:
    struct Output {
        const char* name;      // as the log shows it
        bool seen = false;     // ran (pump: a settled running frame) / switched on
        bool wasOn = false;    // on in the previous frame
        bool failed = false;   // current out of range, logged
        double minA = 0, maxA = 0;
    };

    void addLog(const std::string& text);
    void startTest(const StatusFrame& frame, uint32_t controllerSerial, Outcome& out);
    void checkFrame(const StatusFrame& frame, Outcome& out);
    void watchOutputs(const StatusFrame& frame, Outcome& out);
    // Ends the running test: the verdict lines, tone and lamp, the result
    // file and, when restoreMode, the commands that put the controller back.
    void finish(const StatusFrame* verdictFrame, bool restoreMode, Outcome& out);
    Outcome abort(const std::string& reason, bool restoreMode);
    std::string timeLabel() const;
    std::string at(int32_t ms) const { return std::to_string(ms) + " ms: "; }

    UserPrompts& m_prompts;
    Tone& m_tone;
    std::string m_resultDirectory;
    std::vector<TesterCheck> m_checks;

    std::string m_serialLabel = "Numer Seryjny";
    std::string m_testSerial; // the serial number the running test started with
    std::vector<std::string> m_log;
    bool m_armed = false;
    bool m_running = false;
    int32_t m_clock = 0;
    int32_t m_errors = 0;
    Lamp m_lamp = Lamp::Idle;
    std::optional<ResultFileSave> m_lastSave;

    std::optional<uint64_t> m_lastFrameMs;
    uint32_t m_controllerSerial = 0;
    uint8_t m_previousMode = 0xFF;
    bool m_previousServiceRun = false;
    std::vector<bool> m_checkFailed;
    std::array<Output, 4> m_outputs{}; // pump 1, pump 2, ioniser 1, ioniser 2
};

} // namespace kdx

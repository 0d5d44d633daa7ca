#pragma once

#include "link/UserPrompts.h"
#include "live/StatusFrame.h"
#include "live/TesterCheck.h"
#include "live/Tone.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kdx {

// The production-line test of a freshly built controller. The technician
// scans its serial number; once the controller reports system on, the test
// runs on the status frames (50 ms of test time per valid frame), checks the
// frame at fixed test times, gives its verdict at 5000 ms and saves the test
// log as "<serial>.txt" (Windows-1250, CR LF) in the result folder.
class Tester {
public:
    static constexpr int kEnterKey = 13;

    Tester(UserPrompts& prompts, Tone& tone, std::string resultDirectory = ".",
           std::vector<TesterCheck> checks = TesterCheck::standard());

    // Key released in EditSerial. Returns true when the window is to clear
    // the entry field. Without a connection Enter only shows a message.
    bool serialKeyUp(int key, const std::string& editText, bool connected);
    // Takes the entered text as the serial number (LabelSerialN shows it
    // whatever it is) and arms the tester when it is one of this product.
    // The field is cleared in either case; returns whether it was accepted.
    bool checkSerial(const std::string& editText);

    struct FrameOutcome {
        std::string timeLabel;          // LabelCzasTestowania1
        bool logChanged = false;        // Memo1 needs refreshing from logText()
        std::optional<bool> verdict;    // this frame gave the verdict: sound?
        std::optional<std::string> savedFile; // path written at the verdict
        bool saveFailed = false;
    };
    // One valid status frame.
    FrameOutcome onFrame(const StatusFrame& frame);

    // LabelSerialN: "Numer Seryjny" until a serial number is entered.
    const std::string& serialLabel() const { return m_serialLabel; }
    // Memo1, newest entry first, each entry ending with ";".
    const std::vector<std::string>& logLines() const { return m_log; }
    std::string logText() const; // lines joined by "\n"
    // Off colour of AbLEDStartTestu1: red after a failed verdict, lime again
    // when the next test starts.
    bool resultLampRed() const { return m_lampRed; }

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

private:
    void addLog(const std::string& text);
    bool saveLog(std::string& path) const;

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
    bool m_lampRed = false;
};

} // namespace kdx

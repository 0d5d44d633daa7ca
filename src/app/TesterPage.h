#pragma once

#include "live/Tester.h"

#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace kdx {

class LedIndicator;
struct TesterControls;

// Window glue of the production tester page ("test"): hands the serial
// number entry, the status frames and the link events to the Tester and
// shows what it returns. The commands the Tester asks for go to `send`.
class TesterPage {
public:
    using CommandSink = std::function<void(const TesterCommand&)>;

    TesterPage(const TesterControls& controls, Tester& tester, CommandSink send);

    // Enter released in EditSerial.
    void serialEntered(bool connected);
    // A valid status frame; the controller's serial number from the image.
    void frame(const StatusFrame& frame, uint64_t nowMs, uint32_t controllerSerial);
    // Every status tick, with or without a frame.
    void tick(uint64_t nowMs);
    // A connection search begins or the link was dropped.
    void connectionSearch();

    // Texts of the result lamp's states (its tooltip and accessible description).
    static constexpr const char* kLampIdle = "brak testu";
    static constexpr const char* kLampRunning = "test w toku";
    static constexpr const char* kLampPassed = "sterownik sprawny";
    static constexpr const char* kLampFailed = "sterownik niesprawny";

private:
    void apply(const Tester::Outcome& out);
    void showLamp();

    Tester& m_tester;
    CommandSink m_send;
    QLineEdit* m_edit;
    QLabel* m_serialLabel;
    QLabel* m_timeLabel;
    QLabel* m_resultFile;
    QPlainTextEdit* m_memo;
    LedIndicator* m_lamp;
};

} // namespace kdx

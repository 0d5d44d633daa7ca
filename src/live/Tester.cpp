#include "live/Tester.h"

#include "link/CodePageText.h"
#include "protocol/Wire.h"
#include "live/LiveConstants.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>

namespace kdx {

namespace {

constexpr const char* kProductCode = "RQ412";
constexpr const char* kMsgNoConnection = "Brak połączenia, nacisnij przycisk 'POŁĄCZ' !";
constexpr const char* kMsgWrongSerial = "To nie jest numer seryjny do tego produktu!";
constexpr const char* kFailed = ": BŁĄD (";
constexpr const char* kNotTested = ": NIE PRZETESTOWANO (";

size_t utf8Length(const std::string& text)
{
    size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

} // namespace

Tester::Tester(UserPrompts& prompts, Tone& tone, std::string resultDirectory, std::vector<TesterCheck> checks)
    : m_prompts(prompts), m_tone(tone), m_resultDirectory(std::move(resultDirectory)), m_checks(std::move(checks))
{
}

bool Tester::isProductSerial(const std::string& text)
{
    if (utf8Length(text) != live::kSerialLength || text.compare(0, 5, kProductCode) != 0)
        return false;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F)
            return false;
        switch (c) {
        case '/': case '\\': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
            return false;
        default: break;
        }
    }
    return true;
}

bool Tester::serialKeyUp(int key, const std::string& editText, bool connected)
{
    if (key != kEnterKey)
        return false;
    if (!connected) {
        m_prompts.message(kMsgNoConnection);
        return false;
    }
    if (m_running) {
        // The scanned number stays in the field for after the verdict.
        m_prompts.message(kMsgTestRunning);
        return false;
    }
    checkSerial(editText);
    return true;
}

bool Tester::checkSerial(const std::string& editText)
{
    if (m_running) {
        m_prompts.message(kMsgTestRunning);
        return false;
    }
    m_serialLabel = editText;
    if (isProductSerial(editText)) {
        m_armed = true;
        return true;
    }
    m_armed = false;
    m_prompts.message(kMsgWrongSerial);
    return false;
}

void Tester::addLog(const std::string& text)
{
    m_log.insert(m_log.begin(), text + ";");
}

std::string Tester::logText() const
{
    std::string text;
    for (size_t i = 0; i < m_log.size(); ++i) {
        if (i > 0)
            text += "\n";
        text += m_log[i];
    }
    return text;
}

std::string Tester::fileBytes(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return CodePageText::encode(text, "CP1250");
}

std::string Tester::timeLabel() const
{
    return "CZAS: " + std::to_string(m_clock) + " [ms], ILOŚĆ BŁĘDÓW: " + std::to_string(m_errors);
}

void Tester::startTest(const StatusFrame& frame, uint32_t controllerSerial, Outcome& out)
{
    m_errors = 0;
    m_log.clear();
    m_testSerial = m_serialLabel;
    addLog(m_testSerial);
    m_armed = false;
    m_lamp = Lamp::Running;
    m_controllerSerial = controllerSerial;
    m_previousMode = frame.workMode();
    m_previousServiceRun = frame.serviceRunOn();
    m_checkFailed.assign(m_checks.size(), false);
    m_outputs = {Output{"pompa 1"}, Output{"pompa 2"}, Output{"jonizator 1"}, Output{"jonizator 2"}};
    // The service run drives both pumps and both ionisers.
    out.commands = {{TesterCommand::Kind::SetWorkMode, wire::kModeService}, {TesterCommand::Kind::ServiceOn, 0}};
    out.logChanged = true;
}

void Tester::checkFrame(const StatusFrame& frame, Outcome& out)
{
    for (size_t i = 0; i < m_checks.size(); ++i) {
        const TesterCheck& check = m_checks[i];
        if (m_clock < check.fromMs || m_checkFailed[i])
            continue;
        const auto wrong = check.violation ? check.violation(frame) : std::optional<std::string>("brak warunku");
        if (!wrong)
            continue;
        m_checkFailed[i] = true;
        ++m_errors;
        addLog(at(m_clock) + check.name + kFailed + *wrong + ")");
        out.logChanged = true;
    }
}

void Tester::watchOutputs(const StatusFrame& frame, Outcome& out)
{
    const bool on[4] = {frame.pump1Running(), frame.pump2Running(), frame.ionizer1On(), frame.ionizer2On()};
    for (int i = 0; i < 4; ++i) {
        Output& o = m_outputs[static_cast<size_t>(i)];
        const bool pump = i < 2;
        // A pump's current is judged from the second frame of its on-phase:
        // the first may come from the moment the driver switched.
        const bool judged = m_clock >= kOutputsFromMs && on[i] && (!pump || o.wasOn);
        o.wasOn = on[i];
        if (!judged)
            continue;
        if (!pump) {
            o.seen = true;
            continue;
        }
        const double amps = frame.currentAmps(i + 1);
        o.minA = o.seen ? std::min(o.minA, amps) : amps;
        o.maxA = o.seen ? std::max(o.maxA, amps) : amps;
        o.seen = true;
        const bool inRange = amps >= TesterCheck::kPumpCurrentMinA && amps <= TesterCheck::kPumpCurrentMaxA;
        if (!inRange && !o.failed) {
            o.failed = true;
            ++m_errors;
            addLog(at(m_clock) + "prąd pompy " + std::to_string(i + 1) + " podczas pracy" + kFailed
                   + TesterCheck::twoDecimals(amps) + " A)");
            out.logChanged = true;
        }
    }
}

void Tester::finish(const StatusFrame* verdictFrame, bool restoreMode, Outcome& out)
{
    if (verdictFrame) {
        const std::string window = std::to_string(kOutputsFromMs) + "-" + std::to_string(m_clock) + " ms: ";
        for (size_t i = 0; i < m_checks.size(); ++i) {
            if (!m_checkFailed[i])
                addLog(std::to_string(m_checks[i].fromMs) + "-" + std::to_string(m_clock) + " ms: " + m_checks[i].name
                       + ": OK");
        }
        for (size_t i = 0; i < m_outputs.size(); ++i) {
            const Output& o = m_outputs[i];
            const bool pump = i < 2;
            if (!o.seen) {
                ++m_errors;
                addLog(window + o.name + kNotTested + (pump ? "nie pracowała)" : "nie włączył się)"));
            } else if (pump && !o.failed) {
                addLog(window + "prąd pompy " + std::to_string(i + 1) + " podczas pracy: OK ("
                       + TesterCheck::twoDecimals(o.minA) + "-" + TesterCheck::twoDecimals(o.maxA) + " A)");
            } else if (!pump) {
                addLog(window + o.name + " włączony: OK");
            }
        }
        if (verdictFrame->errorMemo() != 0) {
            ++m_errors;
            addLog(at(m_clock) + "brak błędów zapisanych w pamięci" + kFailed
                   + TesterCheck::errorWordText("ErrorMemo", verdictFrame->errorMemo()) + ")");
        } else {
            addLog(at(m_clock) + "brak błędów zapisanych w pamięci: OK");
        }
    }

    addLog("--------Wyniki Testu----------");
    addLog("-----------------------------");
    const bool sound = m_errors == 0;
    out.timeLabel = timeLabel();
    if (sound) {
        addLog("STEROWNIK SPRAWNY :)");
        m_lamp = Lamp::Passed;
    } else {
        addLog("UWAGA STEROWNIK NIE JEST SPRAWNY! BLĘDY : " + std::to_string(m_errors));
        m_lamp = Lamp::Failed;
    }
    m_running = false;
    m_clock = 0;
    out.verdict = sound;
    out.logChanged = true;
    if (restoreMode) {
        const uint8_t mode = m_previousMode;
        const bool known = mode == wire::kModeAuto || mode == wire::kModeManualTrig || mode == wire::kModeManualConst
                           || mode == wire::kModeService || mode == wire::kModeOff;
        out.commands.push_back({TesterCommand::Kind::ServiceOff, 0});
        out.commands.push_back({TesterCommand::Kind::SetWorkMode, known ? mode : wire::kModeOff});
        if (known && mode == wire::kModeService && m_previousServiceRun)
            out.commands.push_back({TesterCommand::Kind::ServiceOn, 0});
    }
    if (!sound)
        m_tone.play(live::kFailToneHz, live::kFailToneMs);

    m_lastSave = saveResultFile(m_resultDirectory, resultFileName(m_testSerial), fileBytes(m_log));
    out.saved = m_lastSave;
    if (!m_lastSave->ok())
        m_prompts.message("Nie można zapisać wyniku testu do pliku " + m_lastSave->path + ": " + m_lastSave->error
                          + ". Log testu pozostaje na stronie.");
}

Tester::Outcome Tester::abort(const std::string& reason, bool restoreMode)
{
    Outcome out;
    if (!m_running)
        return out;
    ++m_errors;
    addLog(at(m_clock) + "TEST PRZERWANY: " + reason);
    finish(nullptr, restoreMode, out);
    return out;
}

Tester::Outcome Tester::onTick(uint64_t nowMs)
{
    if (m_running && m_lastFrameMs && nowMs > *m_lastFrameMs + kLinkGapMs)
        return abort("brak ramek statusu przez " + std::to_string(nowMs - *m_lastFrameMs) + " ms (utrata łączności)",
                     true);
    return {};
}

Tester::Outcome Tester::onConnectionSearch()
{
    return abort("nowe wyszukiwanie sterownika (połączenie przerwane)", true);
}

Tester::Outcome Tester::onFrame(const StatusFrame& frame, uint64_t nowMs, uint32_t controllerSerial)
{
    if (m_running && m_lastFrameMs && nowMs > *m_lastFrameMs + kLinkGapMs) {
        Outcome out = onTick(nowMs);
        m_lastFrameMs = nowMs;
        return out;
    }
    m_lastFrameMs = nowMs;
    if (m_running && controllerSerial != m_controllerSerial) {
        char text[80];
        std::snprintf(text, sizeof text, "inny sterownik (SN 0x%08X zamiast 0x%08X)",
                      static_cast<unsigned>(controllerSerial), static_cast<unsigned>(m_controllerSerial));
        // Another board answers: nothing is sent to it on the first one's behalf.
        return abort(text, false);
    }

    Outcome out;
    out.timeLabel = timeLabel();
    if (m_armed && frame.systemOn())
        m_running = true;
    if (!m_running)
        return out;

    if (m_clock == 0)
        startTest(frame, controllerSerial, out);
    checkFrame(frame, out);
    watchOutputs(frame, out);
    if (m_clock == live::kTestVerdictMs) {
        finish(&frame, true, out);
        return out;
    }
    m_clock += live::kTestStepMs;
    return out;
}

} // namespace kdx

#include "app/TesterPage.h"

#include "app/pages/TesterControls.h"

#include "widgets/LedIndicator.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <string>

namespace kdx {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

} // namespace

TesterPage::TesterPage(const TesterControls& controls, Tester& tester, CommandSink send)
    : m_tester(tester), m_send(std::move(send)), m_edit(controls.serialEdit), m_serialLabel(controls.serialLabel),
      m_timeLabel(controls.timeLabel), m_resultFile(controls.resultFile), m_memo(controls.log),
      m_lamp(controls.resultLamp)
{
    showLamp();
}

void TesterPage::serialEntered(bool connected)
{
    if (m_tester.serialKeyUp(Tester::kEnterKey, m_edit->text().toStdString(), connected))
        m_edit->clear();
    m_serialLabel->setText(qs(m_tester.serialLabel()));
}

void TesterPage::frame(const StatusFrame& frame, uint64_t nowMs, uint32_t controllerSerial)
{
    apply(m_tester.onFrame(frame, nowMs, controllerSerial));
}

void TesterPage::tick(uint64_t nowMs) { apply(m_tester.onTick(nowMs)); }

void TesterPage::connectionSearch() { apply(m_tester.onConnectionSearch()); }

void TesterPage::apply(const Tester::Outcome& out)
{
    if (!out.timeLabel.empty())
        m_timeLabel->setText(qs(out.timeLabel));
    if (out.logChanged) {
        m_memo->setPlainText(qs(m_tester.logText()));
        m_memo->moveCursor(QTextCursor::Start);
    }
    if (out.logChanged || out.verdict)
        showLamp();
    if (out.logChanged && m_tester.running())
        m_resultFile->clear(); // a new test: the last result's file is history
    if (out.saved) {
        const ResultFileSave& s = *out.saved;
        QString text = s.ok() ? QStringLiteral("Plik wyniku: ") + qs(s.path)
                              : QStringLiteral("Plik wyniku NIE ZAPISANY: ") + qs(s.path) + QStringLiteral(" (")
                                    + qs(s.error) + QStringLiteral(")");
        if (!s.backup.empty())
            text += QStringLiteral("\npoprzedni plik zachowany jako: ") + qs(s.backup);
        m_resultFile->setText(text);
    }
    // The verdict is on the page before the controller is put back.
    for (const TesterCommand& c : out.commands)
        m_send(c);
}

void TesterPage::showLamp()
{
    // Idle: the button face; running: the lamp's flashing blue; passed: lime;
    // failed: red.
    const char* state = kLampIdle;
    switch (m_tester.lamp()) {
    case Tester::Lamp::Idle:
        m_lamp->setOffColor(QColor());
        m_lamp->setOn(false);
        break;
    case Tester::Lamp::Running:
        m_lamp->setOn(true);
        state = kLampRunning;
        break;
    case Tester::Lamp::Passed:
        m_lamp->setOffColor(QColor(0, 255, 0));
        m_lamp->setOn(false);
        state = kLampPassed;
        break;
    case Tester::Lamp::Failed:
        m_lamp->setOffColor(QColor(255, 0, 0));
        m_lamp->setOn(false);
        state = kLampFailed;
        break;
    }
    m_lamp->setToolTip(QString::fromUtf8(state));
    m_lamp->setAccessibleDescription(QString::fromUtf8(state));
}

} // namespace kdx
